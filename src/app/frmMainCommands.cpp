// Edit, help and about commands routed to the active document's control or the tool windows, the
// Edit menu as a document's right-click menu, and the Window menu's arrangements.

#include "platform/ProductInfo.h"
#include "app/frmMain.h"
#include "app/WindowTiling.h"
#include "document/frmDocument.h"
#include "tools/Inet.h"
#include "tools/frmAbout.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QUrl>

CodeEditor* frmMain::commandTarget() const
{
    // Commands on a script do nothing while no script is open: no document is made up for them.
    frmDocument* document = activeDocument();
    return document ? document->rtfText : nullptr;
}

void frmMain::connectEditCommands()
{
    auto onEditor = [this](QAction* item, void (*command)(CodeEditor&)) {
        connect(item, &QAction::triggered, this, [this, command] {
            if (CodeEditor* editor = commandTarget())
                command(*editor);
        });
    };
    connect(mnuEditUndo, &QAction::triggered, this, &frmMain::mnuEditUndo_Click);
    connect(mnuEditRedo, &QAction::triggered, this, &frmMain::mnuEditRedo_Click);
    onEditor(mnuEditCut, [](CodeEditor& editor) { editor.Cut(); });
    onEditor(mnuEditCopy, [](CodeEditor& editor) { editor.Copy(); });
    onEditor(mnuEditPaste, [](CodeEditor& editor) { editor.Paste(); });
    onEditor(mnuEditSelectAll, [](CodeEditor& editor) { editor.RunCommand(CodeEditor::CmdSelectAll); });
    connect(mnuEditFind, &QAction::triggered, this, &frmMain::mnuEditFind_Click);
    onEditor(mnuEditFindNext, [](CodeEditor& editor) { editor.RunCommand(CodeEditor::CmdFindNext); });
    onEditor(mnuEditReplace, [](CodeEditor& editor) { editor.RunCommand(CodeEditor::CmdFindReplace); });
    onEditor(mnuEditGoTo, [](CodeEditor& editor) { editor.RunCommand(CodeEditor::CmdGoToLine, -1); });
    for (int i = 0; i < LabelItemCount; ++i)
        connect(mnuLabelMarker[size_t(i)], &QAction::triggered, this, [this, i] { mnuLabelMarker_Click(i); });
    connect(mnuCsHelp, &QAction::triggered, this, &frmMain::mnuCsHelp_Click);
    connect(mnuOnlineHelp, &QAction::triggered, this, &frmMain::mnuOnlineHelp_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::refreshUndoButtons()
{
    // Undo and Redo follow the active script's undo history.
    CodeEditor* editor = commandTarget();
    const bool canUndo = editor && editor->CanUndo();
    const bool canRedo = editor && editor->CanRedo();
    for (QAction* undo : {mnuEditUndo, toolbarButton(QStringLiteral("Undo"))})
        undo->setEnabled(canUndo);
    for (QAction* redo : {mnuEditRedo, toolbarButton(QStringLiteral("Redo"))})
        redo->setEnabled(canRedo);
}

void frmMain::mnuEditUndo_Click()
{
    if (CodeEditor* editor = commandTarget()) {
        editor->Undo();
        refreshUndoButtons();
    }
}

void frmMain::mnuEditRedo_Click()
{
    if (CodeEditor* editor = commandTarget()) {
        editor->Redo();
        refreshUndoButtons();
    }
}

void frmMain::mnuEditFind_Click()
{
    if (CodeEditor* editor = commandTarget()) {
        editor->RunCommand(CodeEditor::CmdFind);
        mnuEditFindNext->setEnabled(true);
    }
}

void frmMain::tb_ButtonClick(const QString& key)
{
    auto is = [&key](const char* name) { return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("New"))
        mnuFileNew_Click();
    else if (is("Open"))
        mnuFileOpen_Click();
    else if (is("Save"))
        mnuFileSave_Click();
    else if (is("Print"))
        mnuFilePrint_Click();
    else if (is("Cut"))
        mnuEditCut->trigger();
    else if (is("Copy"))
        mnuEditCopy->trigger();
    else if (is("Paste"))
        mnuEditPaste->trigger();
    else if (is("Undo"))
        mnuEditUndo_Click();
    else if (is("Redo"))
        mnuEditRedo_Click();
    else if (is("Find"))
        mnuEditReplace->trigger();
    else if (is("Indent") || is("Outdent")) {
        if (CodeEditor* editor = commandTarget())
            editor->RunCommand(is("Indent") ? CodeEditor::CmdIndent : CodeEditor::CmdOutdent);
    } else if (is("Comment"))
        CommentSelection();
    else if (is("Uncomment"))
        UncommentSelection();
}

void frmMain::CommentSelection()
{
    CodeEditor* editor = commandTarget();
    if (!editor)
        return;
    const Range r = editor->GetSelectionRange(true);
    Range selection = editor->GetSelectionRange(false);
    editor->EditLines(r.StartLine, r.EndLine, [](const QByteArray& line) { return ';' + line; });
    // Each end of the selection moves with its text, as it would for a ";" inserted at column 0
    // of its line: one at column 0 stays before the ";".
    if (selection.StartColumn > 0)
        ++selection.StartColumn;
    if (selection.EndColumn > 0)
        ++selection.EndColumn;
    editor->SetSelectionRange(selection, false);
}

void frmMain::UncommentSelection()
{
    CodeEditor* editor = commandTarget();
    if (!editor)
        return;
    const Range s = editor->GetSelectionRange(true);
    editor->EditLines(s.StartLine, s.EndLine,
                      [](const QByteArray& line) { return line.startsWith(';') ? line.mid(1) : line; });
    editor->SetSelectionRange(s, true);
}

void frmMain::mnuLabelMarker_Click(int index)
{
    CodeEditor* editor = commandTarget();
    if (!editor || index < 0 || index >= LabelItemCount)
        return;
    bool isNumber = false;
    const int line = mnuLabelMarker[size_t(index)]->data().toString().toInt(&isNumber);
    if (!isNumber || line < 0)
        return;
    // The line stays highlighted until the next key press.
    editor->SetHighlightedLine(line);
    editor->RunCommand(CodeEditor::CmdGoToLine, line);
}

void frmMain::mnuCsHelp_Click()
{
    // The caption is the word followed by " Help...". The word is percent-encoded so that no text
    // from a script can change the address; a macro's "@" is kept as it is, being allowed in a query.
    const QString caption = mnuCsHelp->text();
    const QString word = caption.left(caption.indexOf(QLatin1Char(' ')));
    Inet::OpenURL(ProductInfo::WebSite + QStringLiteral("/define.asp?name=") +
                  QString::fromLatin1(QUrl::toPercentEncoding(word, "@")));
}

void frmMain::mnuOnlineHelp_Click()
{
    Inet::OpenURL(ProductInfo::WebSite + QStringLiteral("/help"));
}

void frmMain::mnuAbout_Click()
{
    frmAbout* box = frmAbout::Get({ProductInfo::WebSite, ProductInfo::MakerWebSite}, this);
    box->show();
    box->raise();
    box->activateWindow();
}

void frmMain::popUpEditMenu(QAction* defaultItem, const QPoint& globalPos)
{
    mnuEdit->setDefaultAction(defaultItem);
    mnuEdit->exec(globalPos);
    mnuEdit->setDefaultAction(nullptr);
}

void frmMain::arrangeWindows(int arrangement)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (window->isVisible() && !window->isMinimized())
            windows << window;
    // The whole client area: scroll bars shown now for windows out of view go once they are arranged.
    const QRect area(QPoint(0, 0), mdi_->contentsRect().size());
    switch (arrangement) {
    case 0:
        mdi_->cascadeSubWindows();
        return;
    case 3: {
        // Minimised windows line up along the bottom edge, left to right.
        int x = 0;
        for (QMdiSubWindow* window : mdi_->subWindowList(QMdiArea::CreationOrder)) {
            if (!window->isMinimized())
                continue;
            QSize size = window->size();
            if (x + size.width() > area.width() && x > 0)
                x = 0;
            window->move(x, area.height() - size.height());
            x += size.width();
        }
        return;
    }
    default:
        break;
    }
    if (windows.isEmpty())
        return;
    for (QMdiSubWindow* window : windows)
        if (window->isMaximized())
            window->showNormal();
    // Without a maximised window the menu bar loses its buttons, and with them maybe some height.
    layout()->activate();
    const QList<QRect> cells = WindowTiling::tile(int(windows.size()), QRect(QPoint(0, 0), mdi_->contentsRect().size()),
        arrangement == 1 ? WindowTiling::Direction::Horizontal : WindowTiling::Direction::Vertical);
    for (int i = 0; i < windows.size(); ++i)
        windows[i]->setGeometry(cells[i]);
}
