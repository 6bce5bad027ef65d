// Edits of many whole lines at once: each is one replacement of the affected range, so the control
// takes it in as one change and undo takes it back in one step.

#include "document/editor/CodeEditor.h"

#include <algorithm>

bool CodeEditor::EditLines(int first, int last, const std::function<QByteArray(const QByteArray&)>& edit)
{
    first = std::max(first, 0);
    last = std::min(last, LineTotal() - 1);
    if (first > last)
        return false;
    QByteArray text;
    bool changed = false;
    for (int line = first; line <= last; ++line) {
        const int start = int(sci(SCI_POSITIONFROMLINE, line));
        const int end = int(sci(SCI_GETLINEENDPOSITION, line));
        const QByteArray before = bytesBetween(start, end);
        const QByteArray after = edit(before);
        changed = changed || after != before;
        text += after;
        if (line < last)
            text += bytesBetween(end, int(sci(SCI_POSITIONFROMLINE, line + 1)));
    }
    if (!changed)
        return false;
    replaceBytes(sci(SCI_POSITIONFROMLINE, first), sci(SCI_GETLINEENDPOSITION, last), text);
    return true;
}

void CodeEditor::ReplaceLines(int firstLine, int lastLine, const QStringList& lines)
{
    const int total = LineTotal();
    firstLine = std::clamp(firstLine, 0, total - 1);
    lastLine = std::clamp(lastLine, firstLine, total - 1);
    const Range selection = GetSelectionRange(false);
    replaceBytes(sci(SCI_POSITIONFROMLINE, firstLine), sci(SCI_GETLINEENDPOSITION, lastLine),
                 lines.join(QString::fromLatin1(lineBreak())).toUtf8());
    SetSelectionRange(selection, false);
}

// One replacement inside one undo action: Scintilla reports it once, and undo takes it back whole.
void CodeEditor::replaceBytes(long from, long to, const QByteArray& bytes)
{
    const int highlighted = HighlightedLine();
    const long lines = sci(SCI_GETLINECOUNT);
    sci(SCI_BEGINUNDOACTION);
    sci(SCI_SETTARGETRANGE, from, to);
    SendScintilla(SCI_REPLACETARGET, uintptr_t(bytes.size()), bytes.constData());
    sci(SCI_ENDUNDOACTION);
    // Scintilla gathers the markers of replaced lines on the first of them.
    if (highlighted >= 0 && sci(SCI_GETLINECOUNT) == lines)
        SetHighlightedLine(highlighted);
}

namespace {

// The whitespace Scintilla itself writes for an indentation of `columns`.
void appendIndentation(QByteArray& out, int columns, int tabWidth, bool useTabs)
{
    if (useTabs) {
        out.append(columns / tabWidth, '\t');
        columns %= tabWidth;
    }
    out.append(columns, ' ');
}

} // namespace

// Indents or outdents every selected line by one indentation step as a single replacement. Each
// line gets the whitespace Scintilla's own line indentation would give it, and the anchor and caret
// land where one indentation change per line would have put them.
void CodeEditor::indentSelectedLines(bool outdent, bool keepEmptyLines)
{
    const long anchor = sci(SCI_GETANCHOR);
    const long caret = caretPos();
    const long start = std::min(anchor, caret);
    const long end = std::max(anchor, caret);
    const int first = int(sci(SCI_LINEFROMPOSITION, start));
    int last = int(sci(SCI_LINEFROMPOSITION, end));
    // A selection that ends at the start of a line does not take that line.
    if (last > first && end == sci(SCI_POSITIONFROMLINE, last))
        --last;
    const int tab = std::max(1, tabWidth());
    const int step = indentationWidth() > 0 ? indentationWidth() : tab;
    const bool useTabs = indentationsUseTabs();

    const long from = sci(SCI_POSITIONFROMLINE, first);
    const long to = sci(SCI_GETLINEENDPOSITION, last);
    const char* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER)) + from;
    QByteArray out;
    out.reserve(int(to - from) + (outdent ? 0 : (last - first + 1) * 2));
    long newAnchor = anchor > to ? anchor : -1;
    long newCaret = caret > to ? caret : -1;
    bool changed = false;
    for (int line = first; line <= last; ++line) {
        const long lineStart = sci(SCI_POSITIONFROMLINE, line);
        const long lineEnd = line < last ? sci(SCI_POSITIONFROMLINE, line + 1) : to;
        long indentEnd = lineStart;
        int columns = 0;
        for (; indentEnd < lineEnd; ++indentEnd) {
            const char c = text[indentEnd - from];
            if (c == ' ')
                ++columns;
            else if (c == '\t')
                columns = (columns / tab + 1) * tab;
            else
                break;
        }
        // Scintilla's Tab key leaves empty lines as they are.
        const bool kept = keepEmptyLines && !outdent && lineStart == (line < last ? sci(SCI_GETLINEENDPOSITION, line) : to);
        const int wanted = kept ? columns : outdent ? std::max(0, columns - step) : columns + step;
        const long newLineStart = from + out.size();
        if (wanted != columns) {
            appendIndentation(out, wanted, tab, useTabs);
            changed = true;
        } else {
            out.append(text + (lineStart - from), indentEnd - lineStart);
        }
        const long shift = from + out.size() - indentEnd; // for positions after the indentation
        out.append(text + (indentEnd - from), lineEnd - indentEnd);
        // Scintilla moves a position inside replaced indentation to the line's start.
        for (auto [old, moved] : {std::pair{anchor, &newAnchor}, std::pair{caret, &newCaret}}) {
            if (*moved >= 0 || old < lineStart || old > lineEnd || (old == lineEnd && line < last))
                continue;
            *moved = (old <= indentEnd && wanted != columns) ? newLineStart : old + shift;
        }
    }
    if (!changed)
        return;
    const long added = out.size() - (to - from);
    if (anchor > to)
        newAnchor = anchor + added;
    if (caret > to)
        newCaret = caret + added;
    replaceBytes(from, to, out);
    sci(SCI_SETANCHOR, newAnchor);
    sci(SCI_SETCURRENTPOS, newCaret);
}

// Tab or Shift+Tab over a selection of several lines, as Scintilla's own keys do it (empty lines
// stay empty; the lines are left selected whole), but as one replacement.
void CodeEditor::indentByKey(bool outdent)
{
    const long anchor = sci(SCI_GETANCHOR);
    const long caret = caretPos();
    const long anchorLine = sci(SCI_LINEFROMPOSITION, anchor);
    const long caretLine = sci(SCI_LINEFROMPOSITION, caret);
    const bool anchorAtStart = anchor == sci(SCI_POSITIONFROMLINE, anchorLine);
    const bool caretAtStart = caret == sci(SCI_POSITIONFROMLINE, caretLine);
    indentSelectedLines(outdent, true);
    const auto lineStart = [this](long line) { return sci(SCI_POSITIONFROMLINE, line); };
    if (anchorLine < caretLine) {
        sci(SCI_SETANCHOR, lineStart(anchorLine));
        sci(SCI_SETCURRENTPOS, lineStart(caretAtStart ? caretLine : caretLine + 1));
    } else {
        sci(SCI_SETANCHOR, lineStart(anchorAtStart ? anchorLine : anchorLine + 1));
        sci(SCI_SETCURRENTPOS, lineStart(caretLine));
    }
}
