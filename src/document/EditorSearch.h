#pragma once
// Searching in one editing control: the text last looked for, the options last used, and the
// control's find / find-and-replace window. Find Next continues with what was last searched.

#include "document/FindReplaceDialog.h"

#include <QObject>
#include <QPointer>

class QsciScintilla;

class EditorSearch : public QObject {
    Q_OBJECT
public:
    explicit EditorSearch(QsciScintilla& editor);
    ~EditorSearch() override;

    void setSearchText(const QString& text) { text_ = text; }
    QString searchText() const { return text_; }
    FindOptions options() const { return options_; }

    void openDialog(bool replaceMode);
    FindReplaceDialog* dialog() const { return dialog_; }
    // Finds the next occurrence of the search text after the caret and selects it; with nothing to
    // search for, opens the find window. Reports "not found" through the dialog service.
    bool findNext();

private:
    void takeDialogInput();
    bool find(bool reportNotFound);
    void replaceOnce();
    void replaceAll();
    void reportNotFound();

    QsciScintilla& editor_;
    QString text_;
    FindOptions options_;
    QPointer<FindReplaceDialog> dialog_;
    long matchStart_ = -1;
    long matchEnd_ = -1;
};
