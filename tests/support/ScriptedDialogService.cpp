#include "ScriptedDialogService.h"
#include "platform/QtDialogService.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>

using namespace platform;

namespace {
template <typename T, typename U>
T take(std::deque<T>& answers, U fallback)
{
    if (answers.empty())
        return T(fallback);
    T answer = answers.front();
    answers.pop_front();
    return answer;
}
} // namespace

ScriptedDialogService::ScriptedDialogService() { setDialogService(this); }
ScriptedDialogService::~ScriptedDialogService() { setDialogService(nullptr); }

MessageAnswer ScriptedDialogService::message(QWidget* parent, const QString& text, const QString& title,
                                             MessageButtons buttons, MessageIcon icon)
{
    RecordedMessage recorded{text, title, buttons, icon, parent};
    messages.append(recorded);
    if (onMessage)
        onMessage(recorded);
    MessageAnswer fallback = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    return take(messageAnswers, fallback);
}

QString ScriptedDialogService::openFileName(QWidget*, const FileDialogRequest& request)
{
    openRequests.append(request);
    return take(openAnswers, QString());
}

QString ScriptedDialogService::saveFileName(QWidget*, const FileDialogRequest& request)
{
    saveRequests.append(request);
    return take(saveAnswers, QString());
}

QString ScriptedDialogService::folderName(QWidget*, const QString& title, const QString&)
{
    folderRequests.append(title);
    return take(folderAnswers, QString());
}

std::optional<QColor> ScriptedDialogService::color(QWidget*, const QColor&)
{
    ++colorRequests;
    return take(colorAnswers, std::nullopt);
}

bool ScriptedDialogService::print(QWidget*, QPrinter& printer, const PrintRequest& request)
{
    printRequests.append(request);
    QString pdf = take(printAnswers, QString());
    if (pdf.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    if (request.selectionAvailable)
        printer.setPrintRange(QPrinter::Selection);
    return true;
}

std::optional<int> ScriptedDialogService::lineNumber(QWidget*, int, int)
{
    ++lineRequests;
    return take(lineAnswers, std::nullopt);
}

namespace {
std::unique_ptr<QFileDialog> widgetDialog(const FileDialogRequest& request)
{
    std::unique_ptr<QFileDialog> dialog = newFileDialog(nullptr, request);
    dialog->setOption(QFileDialog::DontUseNativeDialog); // the same widgets on every platform
    return dialog;
}
} // namespace

QStringList ScriptedDialogService::filterCaptionsShown(const FileDialogRequest& request)
{
    const auto dialog = widgetDialog(request);
    QStringList shown;
    if (const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
    return shown;
}

QStringList ScriptedDialogService::firstFilterPatterns(const FileDialogRequest& request)
{
    const auto dialog = widgetDialog(request);
    const auto* model = dialog->findChild<QFileSystemModel*>();
    return model ? model->nameFilters() : QStringList();
}
