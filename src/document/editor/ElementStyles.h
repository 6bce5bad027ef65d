#pragma once
// The colours, font styles and font chosen for the syntax elements of one editing control. Kept
// apart from any lexer so that they survive a change of language and can be given again to the
// new lexer; without a lexer, the plain-text element's choices apply to all text.

#include "document/language/SyntaxElements.h"

#include <QFont>

class QsciLexer;
class QsciScintilla;

class ElementStyles {
public:
    // False for numbers that name no element (they are ignored).
    bool setColor(int colorNumber, quint32 bgr);
    bool setFontStyle(int styleNumber, int fontStyle);
    void setFont(const QFont& font);
    bool hasFont() const { return fontSet_; }
    const QFont& font() const { return font_; }

    // The colour or style in effect: the one chosen, else the lexer's (or the editor's) own.
    quint32 color(int colorNumber, const QsciScintilla& editor, const QsciLexer* lexer) const;
    int fontStyle(int styleNumber, const QsciLexer* lexer) const;

    // Gives the lexer (or, without one, the editor's default and plain-text styles) every choice.
    void apply(QsciScintilla& editor, QsciLexer* lexer) const;

private:
    QFont fontFor(int style, const QFont& current) const;

    quint32 colors_[syntax::StyleCount] = {};
    bool colorSet_[syntax::StyleCount] = {};
    int fontStyles_[syntax::StyleCount] = {};
    bool fontStyleSet_[syntax::StyleCount] = {};
    quint32 lineNumberColor_ = 0;
    bool lineNumberColorSet_ = false;
    QFont font_;
    bool fontSet_ = false;
};
