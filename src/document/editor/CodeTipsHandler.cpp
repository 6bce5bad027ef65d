#include "document/editor/CodeTipsHandler.h"

#include "document/editor/CodeList.h"
#include "document/editor/CodeTip.h"
#include "document/EditMenuHost.h"
#include "document/check/ScriptChecker.h"
#include "document/language/ScriptScan.h"
#include "document/language/SyntaxElements.h"
#include "document/language/modKixLanguage.h"

#include <QAction>
#include <QMenu>

namespace {

constexpr int kParameterTip = 4;
constexpr int kRightButton = 2;

} // namespace

std::optional<QString> CodeTipsHandler::parameterText(const QString& word) const
{
    const auto value = CommandTable.value(word);
    if (!value)
        return rtfText.checker().ownFunctionParameters(word);
    if (CaseInsensitiveOrderedMap::isEmptyText(*value))
        return std::nullopt;
    return CaseInsensitiveOrderedMap::toText(*value);
}

CodeTipsHandler::CodeTipsHandler(CodeEditor& editor, EditMenuHost* menus)
    : QObject(&editor), rtfText(editor), menus_(menus)
{
    editor.setEventHandler(this);
}

QString CodeTipsHandler::TipWordFor(const QString& word) const
{
    static const QStringList keepers = {QStringLiteral("("), QStringLiteral(" "), QStringLiteral(","),
                                        QStringLiteral("+"), QStringLiteral("-")};
    if (rtfText.TokenAtCaret() == syntax::StringToken || word.isEmpty() || keepers.contains(word) || OpenTip)
        return TipWord;
    return word;
}

bool CodeTipsHandler::KeyPress(int charCode)
{
    if (OpenCodeList) {
        const Range selection = rtfText.GetSelectionRange(true);
        if (charCode == ' ' || !ListAnchor || selection.EndLine < ListAnchor->EndLine ||
            selection.EndColumn <= ListAnchor->EndColumn) {
            OpenCodeList->Close();
        } else {
            // A complete macro name ends the list, except MONTH, which may still become MONTHNO.
            const QString word = rtfText.CaretWord();
            const bool month = word.compare(QLatin1String("Month"), Qt::CaseInsensitive) == 0;
            if (MacroTable.contains(word) && !(month && charCode == 'n'))
                OpenCodeList->Close();
        }
    }
    TipWord = TipWordFor(rtfText.CaretWord());
    if (charCode == '(') {
        if (parameterText(TipWord)) {
            TipWord = TipWordFor(rtfText.CaretWord());
            rtfText.RunCommand(CodeEditor::CmdCodeTip);
        }
    } else if (charCode == '@') {
        rtfText.RunCommand(CodeEditor::CmdCodeList);
    }
    return false;
}

int CodeTipsHandler::CodeTipOpen()
{
    const int token = rtfText.TokenAtCaret();
    if (token != syntax::NoToken && token != syntax::KeywordToken)
        return 0;
    const auto value = CommandTable.value(TipWord);
    if (!value) // the script's own Functions, where the table has no word of that name
        return rtfText.checker().ownFunctionParameters(TipWord) ? kParameterTip : 0;
    return !CaseInsensitiveOrderedMap::isNumber(*value, 1) ? kParameterTip : 0;
}

int CodeTipsHandler::CodeTipUpdate(CodeTip& tip)
{
    OpenTip = &tip;
    std::optional<QString> parameters = parameterText(TipWord);
    if (!parameters)
        return 0;
    if (tip.TipText().isEmpty()) {
        tip.SetCurrentArgument(0);
        TipAnchor = rtfText.GetSelectionRange(true);
        TipAnchor.EndColumn += 1;
        tip.SetArgumentStyle(0);
        tip.SetPlacement(0);
        tip.SetTipText(TipWord + QStringLiteral(" (") + *parameters + QLatin1Char(')'));
        return 0;
    }
    const Range s = rtfText.GetSelectionRange(true);
    if (s.EndLine < TipAnchor.EndLine || (s.EndLine == TipAnchor.EndLine && s.EndColumn < TipAnchor.EndColumn)) {
        closeTip(tip);
        return 0;
    }
    const int argument = CountTipArgument(TipAnchor.EndLine, TipAnchor.EndColumn, s.EndLine, s.EndColumn,
                                          [this](int line) { return rtfText.LineText(line); });
    if (argument == -1) {
        closeTip(tip);
        return 0;
    }
    tip.SetCurrentArgument(argument);
    parameters = parameterText(TipWord);
    if (parameters)
        tip.SetTipText(TipWord + QStringLiteral(" (") + *parameters + QLatin1Char(')'));
    else
        closeTip(tip);
    return 0;
}

void CodeTipsHandler::closeTip(CodeTip& tip)
{
    OpenTip = nullptr;
    tip.Close();
}

bool CodeTipsHandler::CodeTipCancel(CodeTip&)
{
    OpenTip = nullptr;
    return false;
}

bool CodeTipsHandler::CodeListOpen(CodeList& list)
{
    if (rtfText.TokenAtCaret() == syntax::CommentToken)
        return false;
    for (const QString& name : MacroTable.keys())
        list.AddItem(name);
    list.SetSelectedIndex(0);
    ListAnchor = rtfText.GetSelectionRange(false);
    OpenCodeList = &list;
    return true;
}

bool CodeTipsHandler::CodeListMatch(CodeList&, int)
{
    PartialNameTyped = true;
    return true;
}

bool CodeTipsHandler::CodeListSelect(CodeList& list)
{
    const QString text = list.ItemText(list.SelectedIndex());
    OpenCodeList = nullptr;
    ListAnchor.reset();
    // No item chosen: the typed part stays as it is rather than being replaced by nothing.
    if (text.isEmpty()) {
        PartialNameTyped = false;
        return false;
    }
    Range r = rtfText.GetSelectionRange(false);
    r.EndColumn = r.StartColumn;
    r.EndLine = r.StartLine;
    // The typed part of the name is replaced by the whole name.
    if (PartialNameTyped)
        r.StartColumn -= rtfText.CaretWordLength();
    rtfText.SetSelectionRange(r, false);
    rtfText.ReplaceSelectionText(text);
    // The control leaves the caret at the start of the name: it goes just after it.
    r = rtfText.GetSelectionRange(true);
    r.StartColumn = r.StartColumn + int(text.toUcs4().size());
    r.EndColumn = r.StartColumn;
    r.EndLine = r.StartLine;
    rtfText.SetSelectionRange(r, true);
    PartialNameTyped = false;
    return false;
}

bool CodeTipsHandler::CodeListCancel(CodeList&)
{
    OpenCodeList = nullptr;
    ListAnchor.reset();
    return false;
}

// ---- Right-click menu ------------------------------------------------------------------------

void CodeTipsHandler::FillLabelMenu()
{
    if (!menus_)
        return;
    menus_->jumpToLabelMenu()->menuAction()->setVisible(true);
    const QList<ScriptLabel> labels = FindLabels(rtfText.LineTotal(), [this](int line) { return rtfText.LineText(line); },
                                                 EditMenuHost::LabelItemCount);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        QAction* item = menus_->labelMarkerItem(int(i));
        item->setText(labels[i].name);
        item->setData(QString::number(labels[i].line));
        item->setVisible(true);
        if (i == 0)
            menus_->jumpNoneItem()->setVisible(false);
    }
}

bool CodeTipsHandler::MouseDown(int button, int, int x, int y)
{
    const Position p = rtfText.PositionFromPoint(x, y);
    if (button != kRightButton || !menus_)
        return false;
    FillLabelMenu();
    const QString word = rtfText.WordAtPosition(p);
    QAction* help = menus_->csHelpItem();
    QAction* defaultItem = help;
    const bool inScopeWords = !word.isEmpty() && ScopeKeywordText.contains(word, Qt::CaseInsensitive);
    if (!CommandTable.contains(word) && !inScopeWords) {
        if (MacroTable.contains(word)) {
            help->setText(QLatin1Char('@') + word + QStringLiteral(" Help..."));
            help->setVisible(true);
        } else {
            defaultItem = nullptr;
        }
    } else {
        help->setText(word + QStringLiteral(" Help..."));
        help->setVisible(true);
    }
    menus_->popUpEditMenu(defaultItem, rtfText.viewport()->mapToGlobal(QPoint(x, y)));

    help->setVisible(false);
    menus_->jumpNoneItem()->setVisible(true);
    menus_->jumpToLabelMenu()->menuAction()->setVisible(false);
    for (int i = 0; i < EditMenuHost::LabelItemCount; ++i)
        menus_->labelMarkerItem(i)->setVisible(false);
    return false;
}
