#pragma once
// Every message box and common dialog of the editor goes through this one service, so that tests can
// script the answers instead of blocking on a modal window.

#include <QColor>
#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace platform {

// YesNoDefaultNo: Enter answers No. For every question whose Yes throws away text.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    QString title;
    QString filter;        // Qt's form: "Caption (*.a *.b);;All Files (*)"
    QString directory;     // where the dialog starts; empty = current directory
    QString fileName;      // initial file name; empty = none
    bool mustExist = false;        // open: the chosen file must exist
    bool confirmOverwrite = false; // save: ask before replacing a file
};

struct PrintRequest {
    QString title;
    bool selectionAvailable = false; // offer "selection" as the print range
};

class DialogService {
public:
    virtual ~DialogService() = default;

    virtual MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                                  MessageButtons buttons, MessageIcon icon) = 0;
    // Empty result = cancelled.
    virtual QString openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString folderName(QWidget* parent, const QString& title, const QString& start) = 0;
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial) = 0;
    // Sets up the printer (device, range); false = cancelled.
    virtual bool print(QWidget* parent, QPrinter& printer, const PrintRequest& request) = 0;
    // The go-to-line question; lines are 1-based as the user sees them. nullopt = cancelled.
    virtual std::optional<int> lineNumber(QWidget* parent, int current, int maximum) = 0;
    // Unsaved work found from an editor that ended without saving: Yes = Restore, No = Discard,
    // Cancel = decide at the next start. Without a dialog of its own a service asks Yes/No/Cancel.
    virtual MessageAnswer restoreRecovered(QWidget* parent, const QString& text, const QString& title)
    {
        return message(parent, text, title, MessageButtons::YesNoCancel, MessageIcon::Question);
    }
    // A file that another running editor holds with unsaved changes: Yes = open anyway, No = open
    // read-only, Cancel = do not open. Without a dialog of its own a service asks Yes/No/Cancel.
    virtual MessageAnswer openHeldElsewhere(QWidget* parent, const QString& text, const QString& title)
    {
        return message(parent, text, title, MessageButtons::YesNoCancel, MessageIcon::Exclamation);
    }
};

// The service in use. Starts as the Qt-dialog implementation; tests install a scripted one.
DialogService& dialogs();
// Installs a service (not owned); nullptr restores the Qt-dialog implementation.
void setDialogService(DialogService* service);

} // namespace platform
