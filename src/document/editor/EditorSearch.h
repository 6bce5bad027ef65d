#pragma once
// Searching in one editing control: the text last looked for and the options last used. Find Next
// continues with what was last searched. One find / find-and-replace window serves every control:
// its buttons act on the control it follows (the script in front), never on a hidden one.

#include "document/editor/FindReplaceDialog.h"

#include <QObject>
#include <QPointer>

class QsciScintilla;

class EditorSearch : public QObject {
    Q_OBJECT
public:
    explicit EditorSearch(QsciScintilla& editor);
    ~EditorSearch() override;

    void setSearchText(const QString& text)
    {
        text_ = text;
        presentSearch_ = false;
    }
    // Looks for text exactly as given from now on (plain text, letter case as written, whatever the
    // find window last used), and the find window opens next with it and these options rather than
    // with the selection.
    void setExactSearch(const QString& text);
    QString searchText() const { return text_; }
    FindOptions options() const { return options_; }

    void openDialog(bool replaceMode);
    // The shared window (nullptr until first opened).
    FindReplaceDialog* dialog() const { return dialog_; }
    // Makes the window act on this control's search from now on.
    void follow();
    // The same for the control given (does nothing for a control without a search).
    static void follow(const QsciScintilla* editor);
    // Finds the next occurrence of the search text after the caret and selects it; with nothing to
    // search for, opens the find window. Reports "not found" through the dialog service.
    bool findNext();

private:
    void takeDialogInput();
    bool find(bool reportNotFound);
    void replaceOnce();
    void replaceAll();
    void reportNotFound();

    static FindReplaceDialog* createDialog(QWidget* parent);

    QsciScintilla& editor_;
    QString text_;
    FindOptions options_;
    static inline QPointer<FindReplaceDialog> dialog_;
    static inline EditorSearch* followed_ = nullptr;
    static inline QList<EditorSearch*> searches_;
    bool presentSearch_ = false; // the next openDialog shows text_ and options_
    long matchStart_ = -1;
    long matchEnd_ = -1;
};
