#pragma once
// A script document: a child window of the main window holding one editing control.

#include "document/editor/CodeEditor.h"
#include "document/files/DiskState.h"
#include "document/DocumentHost.h"

#include <QMdiSubWindow>

#include <array>

class RecoveryJournal;

class frmDocument : public QMdiSubWindow {
    Q_OBJECT
public:
    // Why the window is asked to close: by the user (or the Close command), or because the main
    // window is closing.
    enum UnloadMode { UnloadFromUser = 0, UnloadFromParent = 4 };

    frmDocument(DocumentHost* host, int slot);

    CodeEditor* rtfText = nullptr;
    // Keeps the unsaved text in a recovery file while the document is modified.
    RecoveryJournal* journal = nullptr;
    // The file as the editor last read or wrote it (with a hash of its bytes when known, as after a
    // restore), and the other program's version already asked about.
    DiskState diskState;
    QByteArray diskHash;
    DiskState diskAsked;
    // A save to this document's file failed: what the editor's own attempt left there (the old
    // content, with a new time) is not a change by another program.
    void ownWriteFailed(const DiskState& before);

    // The slot number as decimal text, and as a number.
    QString Tag() const { return QString::number(slot_); }
    int slot() const { return slot_; }
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    // A caption counts as untitled when its first 8 characters are "Untitled" in any letter case.
    static bool isUntitledCaption(const QString& caption);
    // Whether two captions (tab keys) name the same document: paths by the file system's rule for
    // letter case, other captions ("Untitled 3") without regard to case.
    static bool sameCaption(const QString& a, const QString& b);

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

    DocumentHost* host_;
    int slot_;
    bool closeDecided_ = false;
    std::array<bool, 3> menuState_{}; // text, undo, redo as the menus last heard of them
};
