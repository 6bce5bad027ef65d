#pragma once
// A document window's answers to its editing control: the parameter tip while a command's
// arguments are typed, the macro list after "@", and the right-click menu with help on the word
// under the mouse and the script's labels. Owned by the control it serves.

#include "document/editor/CodeEditor.h"

#include <QObject>
#include <optional>

class EditMenuHost;

class CodeTipsHandler : public QObject, public CodeEditorEvents {
    Q_OBJECT
public:
    // Installs itself as the control's event handler; menus may be nullptr (no right-click menu).
    CodeTipsHandler(CodeEditor& editor, EditMenuHost* menus);

    // State, empty at first.
    QString TipWord;                 // the command the tip is about
    Range TipAnchor;                 // caret when the tip was filled, end column just after the "("
    CodeTip* OpenTip = nullptr;
    CodeList* OpenCodeList = nullptr;
    std::optional<Range> ListAnchor; // selection when the macro list opened
    bool PartialNameTyped = false;

    QString TipWordFor(const QString& word) const;
    void FillLabelMenu();

    bool KeyPress(int charCode) override;
    bool MouseDown(int button, int shift, int x, int y) override;
    bool CodeListOpen(CodeList& list) override;
    bool CodeListMatch(CodeList& list, int item) override;
    bool CodeListSelect(CodeList& list) override;
    bool CodeListCancel(CodeList& list) override;
    int CodeTipOpen() override;
    int CodeTipUpdate(CodeTip& tip) override;
    bool CodeTipCancel(CodeTip& tip) override;

private:
    void closeTip(CodeTip& tip);
    // The parameter text for a word: the command table's, or where the table lacks the word, that
    // of the script's own Function of that name; nothing when neither has text for it.
    std::optional<QString> parameterText(const QString& word) const;

    CodeEditor& rtfText;
    EditMenuHost* menus_;
};
