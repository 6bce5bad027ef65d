#pragma once
// The code list and code tip of one editing control: opens them when asked (commands 242 and 243),
// shows them with Scintilla's user list and call tip, keeps them in step with typing and caret
// moves, and raises the CodeList* / CodeTip* events to the control's handler.

#include <QObject>
#include <memory>

class CodeEditor;
class CodeList;
class CodeTip;

class CodeAssist : public QObject {
    Q_OBJECT
public:
    explicit CodeAssist(CodeEditor& editor);
    ~CodeAssist() override;

    void openList();
    void openTip();
    CodeList* list() const;
    CodeTip* tip() const;
    void closeAll(); // closes both, raising their cancel events

    // Notifications from the control.
    void afterInput();                 // a key or mouse press has been handled
    void textChanged();
    void caretMoved();
    void characterAdded();
    void listChosen(const char* text, int id);
    void listCancelled();

private:
    void showList();
    void finishList(bool chosen, int index);
    void showTip();
    void refreshTip();
    void closeTip(bool raiseCancel);
    void queueRefresh();

    CodeEditor& editor_;
    std::unique_ptr<CodeList> list_;
    std::unique_ptr<CodeList> retiredList_; // kept alive while handlers may still hold it
    bool listPending_ = false;
    bool listTyped_ = false;
    long listStart_ = 0;
    std::unique_ptr<CodeTip> tip_;
    std::unique_ptr<CodeTip> retiredTip_;
    long tipPos_ = 0;
    bool tipDirty_ = false;
    bool refreshQueued_ = false;
};
