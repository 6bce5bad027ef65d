#include "ScriptedDialogService.h"
#include "platform/QtDialogService.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>

using namespace platform;

ScriptedDialogService::ScriptedDialogService() { setDialogService(this); }
ScriptedDialogService::~ScriptedDialogService() { setDialogService(nullptr); }

MessageAnswer ScriptedDialogService::message(QWidget* parent, const QString& text, const QString& title,
                                             MessageButtons buttons, MessageIcon icon)
{
    RecordedMessage recorded{text, title, buttons, icon, parent};
    messages.append(recorded);
    if (onMessage)
        onMessage(recorded);
    if (messageAnswers.empty())
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    return take(messageAnswers);
}

bool ScriptedDialogService::print(QWidget*, QPrinter& printer, const PrintRequest& request)
{
    printRequests.append(request);
    QString pdf = take(printAnswers);
    if (pdf.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    if (request.selectionAvailable)
        printer.setPrintRange(QPrinter::Selection);
    return true;
}

QString ScriptedDialogService::filtersShown(const FileDialogRequest& request)
{
    const std::unique_ptr<QFileDialog> dialog = newFileDialog(nullptr, request);
    dialog->setOption(QFileDialog::DontUseNativeDialog); // the same widgets on every platform
    QStringList captions;
    if (const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        for (int i = 0; i < types->count(); ++i)
            captions << types->itemText(i);
    const auto* model = dialog->findChild<QFileSystemModel*>();
    return captions.join(QStringLiteral(" | ")) + QStringLiteral(" -> ") + (model ? model->nameFilters().join(' ') : QString());
}
