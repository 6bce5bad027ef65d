#pragma once
// A script's text with its selection marked, for setting and comparing both at once: "|" stands at the
// caret and "^" at the anchor ("|" alone: nothing selected). "a^bc|d" selects "bc" forwards.

#include "document/editor/CodeEditor.h"

#include <QTest>

// A message to the control with integer arguments.
inline long sci(const QsciScintilla& e, unsigned msg, unsigned long w = 0, long l = 0) { return e.SendScintilla(msg, w, l); }

// The selection by lines and characters: start line, start column, end line, end column.
inline QList<int> selection(const CodeEditor& editor, bool ordered = true)
{
    const Range r = editor.GetSelectionRange(ordered);
    return {r.StartLine, r.StartColumn, r.EndLine, r.EndColumn};
}

inline QString marked(const CodeEditor& editor)
{
    const long anchor = sci(editor, QsciScintillaBase::SCI_GETANCHOR);
    const long caret = sci(editor, QsciScintillaBase::SCI_GETCURRENTPOS);
    QByteArray text = editor.Text().toUtf8();
    text.insert(std::max(anchor, caret), anchor > caret ? "^" : "|");
    if (anchor != caret)
        text.insert(std::min(anchor, caret), anchor > caret ? "|" : "^");
    return QString::fromUtf8(text);
}

inline void setMarked(CodeEditor& editor, const QString& text)
{
    QByteArray bytes = text.toUtf8();
    long caret = bytes.indexOf('|'), anchor = bytes.indexOf('^');
    for (long at : {std::max(caret, anchor), std::min(caret, anchor)})
        if (at >= 0)
            bytes.remove(at, 1);
    if (anchor < 0)
        anchor = caret;
    else if (anchor < caret)
        --caret;
    else
        --anchor;
    editor.setText(QString::fromUtf8(bytes));
    editor.SendScintilla(QsciScintillaBase::SCI_SETSEL, anchor, caret);
}

// Keys typed into the control one by one, a line break for each "\n".
inline void typeInto(CodeEditor& editor, const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClicks(&editor, lines[i]);
    }
}
