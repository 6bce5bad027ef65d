#pragma once
#include "platform/DialogService.h"

#include <memory>

class QFileDialog;
class QPrintDialog;

namespace platform {

// The file dialog for a request, not yet shown. Each filter's caption shows exactly as written, once;
// its patterns still filter the list but are not repeated after the caption.
std::unique_ptr<QFileDialog> newFileDialog(QWidget* parent, const FileDialogRequest& request);
// The print dialog for a request, not yet shown; accepting it sets up the printer.
std::unique_ptr<QPrintDialog> newPrintDialog(QWidget* parent, QPrinter& printer, const PrintRequest& request);

// The real dialogs: Qt's message boxes and common dialogs.
class QtDialogService : public DialogService {
public:
    MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                          MessageButtons buttons, MessageIcon icon) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString folderName(QWidget* parent, const QString& title, const QString& start) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    bool print(QWidget* parent, QPrinter& printer, const PrintRequest& request) override;
    std::optional<int> lineNumber(QWidget* parent, int current, int maximum) override;
    MessageAnswer restoreRecovered(QWidget* parent, const QString& text, const QString& title) override;
    MessageAnswer openHeldElsewhere(QWidget* parent, const QString& text, const QString& title) override;
};

} // namespace platform
