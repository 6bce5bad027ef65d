#pragma once
// A script document: a child window of the main window holding one editing control.

#include "document/CodeEditor.h"

#include <QMdiSubWindow>

class frmMain;

class frmDocument : public QMdiSubWindow, public CodeEditorEvents {
    Q_OBJECT
public:
    // Why the window is asked to close: by the user (or the Close command), or because the main
    // window is closing.
    enum UnloadMode { UnloadFromUser = 0, UnloadFromParent = 4 };

    frmDocument(frmMain* owner, int slot);

    CodeEditor* rtfText = nullptr;

    // The slot number as decimal text, and as a number.
    QString Tag() const { return QString::number(slot_); }
    int slot() const { return slot_; }
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    // A caption counts as untitled when its first 8 characters are "Untitled" in any letter case.
    static bool isUntitledCaption(const QString& caption);

    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    // Asks about unsaved changes and does the close bookkeeping. True: the window may close.
    bool Form_QueryUnload(UnloadMode mode);
    // Closes at once, without questions or bookkeeping (the program is ending).
    void closeWithoutAsking();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rtfText_Change();
    void rtfText_SelChange();
    void rtfText_KeyDown();
    void releaseSlot();
    void selectOwnTab();

    frmMain* owner_;
    int slot_;
    bool closeDecided_ = false;
};
