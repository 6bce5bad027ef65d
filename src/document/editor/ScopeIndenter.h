#pragma once
// Automatic indentation while typing. Mode 2: a new line gets the indentation of the line above.
// Mode 1: the same, one level more after a line that opens a scope ("If", "Do", ...), and a line
// that starts with a scope-closing word ("EndIf", "Loop", ...) moves back to its opening level.
// Mode 0: nothing.

#include <QStringList>

class QsciScintilla;

class ScopeIndenter {
public:
    explicit ScopeIndenter(QsciScintilla& editor);

    void setMode(int mode) { mode_ = mode; }
    int mode() const { return mode_; }
    // Scope words, paired by position (opening i is closed by closing i).
    void setScopeWords(const QStringList& opening, const QStringList& closing);

    // After the editor added a typed character; lineBreakEnd = last character of a line break.
    void characterAdded(int ch, char lineBreakEnd);

private:
    QString lineText(int line) const;
    QString firstWord(const QString& text) const;
    int indentation(int line) const;
    int indentWidth() const;
    bool opensScope(const QString& text) const;
    void indentNewLine(int line);
    void alignClosingLine(int line);

    QsciScintilla& editor_;
    int mode_ = 0;
    QStringList opening_;
    QStringList closing_;
};
