#pragma once
// Scans over a script's lines that the code tips and the right-click menu use. They take the
// lines through a function so that they work on an editing control and on plain text alike.
// Columns count characters (code points), as the editing control's columns do.

#include <QList>
#include <QString>
#include <functional>

using LineSource = std::function<QString(int line)>;

// The word holding the character just before the column: a run of letters, digits, "_" and "$";
// a character before the column that is none of these is answered on its own. Empty at column 0.
QString WordBeforeColumn(const QString& lineText, int column);

// The parameter the caret is in, counted from the column just after a call's "(" at
// (anchorLine, anchorColumn) to the caret at (caretLine, caretColumn): each "," adds one, a ")"
// ends the count with -1. Characters are counted raw (commas in strings and nested calls count),
// and every line is looked at from the anchor's column on.
int CountTipArgument(int anchorLine, int anchorColumn, int caretLine, int caretColumn, const LineSource& lineText);

struct ScriptLabel {
    QString name;
    int line = 0; // zero-based
};

// Labels: lines whose first character is ":" followed by a name. Lines 0 to lineCount are
// looked at; the scan stops at the label after the first `limit`.
QList<ScriptLabel> FindLabels(int lineCount, const LineSource& lineText, int limit);
