// Edit commands routed to the active document's control, and the Window menu's arrangements.

#include "app/frmMain.h"
#include "app/WindowTiling.h"
#include "document/frmDocument.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void frmMain::refreshUndoButtons()
{
    CodeEditor* editor = activeDocument() ? activeDocument()->rtfText : nullptr;
    if (!editor)
        return;
    toolbarButton(QStringLiteral("Undo"))->setEnabled(editor->CanUndo());
    toolbarButton(QStringLiteral("Redo"))->setEnabled(editor->CanRedo());
}

void frmMain::mnuEditUndo_Click()
{
    if (CodeEditor* editor = activeEditor()) {
        editor->Undo();
        refreshUndoButtons();
    }
}

void frmMain::mnuEditRedo_Click()
{
    if (CodeEditor* editor = activeEditor()) {
        editor->Redo();
        refreshUndoButtons();
    }
}

void frmMain::mnuEditFind_Click()
{
    if (CodeEditor* editor = activeEditor()) {
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
        // With no document open there is nothing to indent.
        if (frmDocument* document = activeDocument())
            document->rtfText->RunCommand(is("Indent") ? CodeEditor::CmdIndent : CodeEditor::CmdOutdent);
    } else if (is("Comment"))
        CommentSelection();
    else if (is("Uncomment"))
        UncommentSelection();
}

void frmMain::CommentSelection()
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    CodeEditor* editor = document->rtfText;
    Range r = editor->GetSelectionRange(true);
    editor->beginUndoAction();
    for (int line = r.StartLine; line <= r.EndLine; ++line)
        editor->InsertTextAt(QStringLiteral(";"), Position{line, 0});
    editor->endUndoAction();
}

void frmMain::UncommentSelection()
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    CodeEditor* editor = document->rtfText;
    Range s = editor->GetSelectionRange(true);
    editor->beginUndoAction();
    for (int line = s.StartLine; line <= s.EndLine; ++line) {
        if (editor->LineText(line).startsWith(QLatin1Char(';'))) {
            editor->SetSelectionRange(Range{line, 0, line, 1}, false);
            editor->ReplaceSelectionText(QString());
        }
    }
    editor->endUndoAction();
    editor->SetSelectionRange(s, true);
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
    const QList<QRect> cells = WindowTiling::tile(int(windows.size()), area,
        arrangement == 1 ? WindowTiling::Direction::Horizontal : WindowTiling::Direction::Vertical);
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(cells[i]);
    }
}
