#include "platform/QtDialogService.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QPrintDialog>
#include <QPrinter>

namespace platform {

namespace {

QtDialogService& qtService()
{
    static QtDialogService service;
    return service;
}

DialogService* installed = nullptr;

} // namespace

DialogService& dialogs()
{
    return installed ? *installed : qtService();
}

void setDialogService(DialogService* service)
{
    installed = service;
}

namespace {

// A question with two named answers (Yes and No) and a way out (Cancel): Escape and the title bar's
// close button always, and a Cancel button when asked for. `yesIsDefault` picks Enter's answer.
MessageAnswer askTwoWays(QWidget* parent, const QString& text, const QString& title, QMessageBox::Icon icon,
                         const QString& yes, const QString& no, bool yesIsDefault, bool cancelButton)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setIcon(icon);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QPushButton* yesButton = box.addButton(yes, QMessageBox::AcceptRole);
    QPushButton* noButton = box.addButton(no, cancelButton ? QMessageBox::AcceptRole : QMessageBox::DestructiveRole);
    // A message box without an escape button ignores Escape and its close button.
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    cancel->setVisible(cancelButton);
    box.setEscapeButton(cancel);
    box.setDefaultButton(yesIsDefault ? yesButton : noButton);
    box.exec();
    return box.clickedButton() == yesButton  ? MessageAnswer::Yes
           : box.clickedButton() == noButton ? MessageAnswer::No
                                             : MessageAnswer::Cancel;
}

} // namespace

MessageAnswer QtDialogService::restoreRecovered(QWidget* parent, const QString& text, const QString& title)
{
    // Closing the box decides nothing: the work is offered again at the next start.
    return askTwoWays(parent, text, title, QMessageBox::Question, QStringLiteral("&Restore"),
                      QStringLiteral("&Discard"), true, false);
}

MessageAnswer QtDialogService::openHeldElsewhere(QWidget* parent, const QString& text, const QString& title)
{
    return askTwoWays(parent, text, title, QMessageBox::Warning, QStringLiteral("Open &Anyway"),
                      QStringLiteral("Open &Read-Only"), false, true);
}

MessageAnswer QtDialogService::message(QWidget* parent, const QString& text, const QString& title,
                                       MessageButtons buttons, MessageIcon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    // Messages keep Windows line breaks in their text; Qt shows a bare line feed.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MessageButtons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

static QString startPath(const FileDialogRequest& request)
{
    if (request.fileName.isEmpty())
        return request.directory;
    if (request.directory.isEmpty())
        return request.fileName;
    return request.directory + QLatin1Char('/') + request.fileName;
}

std::unique_ptr<QFileDialog> newFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    auto dialog = std::make_unique<QFileDialog>(parent, request.title, startPath(request), request.filter);
    // Our captions already name their patterns ("All Files (*.*)"); Qt would list them again.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    return dialog;
}

QString QtDialogService::openFileName(QWidget* parent, const FileDialogRequest& request)
{
    const std::unique_ptr<QFileDialog> dialog = newFileDialog(parent, request);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

QString QtDialogService::saveFileName(QWidget* parent, const FileDialogRequest& request)
{
    const std::unique_ptr<QFileDialog> dialog = newFileDialog(parent, request);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (!request.confirmOverwrite)
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

QString QtDialogService::folderName(QWidget* parent, const QString& title, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}

std::optional<QColor> QtDialogService::color(QWidget* parent, const QColor& initial)
{
    QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

std::unique_ptr<QPrintDialog> newPrintDialog(QWidget* parent, QPrinter& printer, const PrintRequest& request)
{
    auto dialog = std::make_unique<QPrintDialog>(&printer, parent);
    if (!request.title.isEmpty())
        dialog->setWindowTitle(request.title);
    QAbstractPrintDialog::PrintDialogOptions options = dialog->options();
    // Offered, because the printing honours it. Without this option the Unix dialog still offers
    // "Pages from", but hands the range to the print server, and a print to a PDF file ignores it.
    options.setFlag(QAbstractPrintDialog::PrintPageRange, true);
    options.setFlag(QAbstractPrintDialog::PrintSelection, request.selectionAvailable);
    dialog->setOptions(options);
    if (request.selectionAvailable)
        printer.setPrintRange(QPrinter::Selection);
    return dialog;
}

bool QtDialogService::print(QWidget* parent, QPrinter& printer, const PrintRequest& request)
{
    return newPrintDialog(parent, printer, request)->exec() == QDialog::Accepted;
}

std::optional<int> QtDialogService::lineNumber(QWidget* parent, int current, int maximum)
{
    bool ok = false;
    int line = QInputDialog::getInt(parent, QObject::tr("Go To Line"),
                                    QObject::tr("Line number (1 - %1):").arg(maximum), current, 1,
                                    maximum, 1, &ok);
    if (!ok)
        return std::nullopt;
    return line;
}

} // namespace platform
