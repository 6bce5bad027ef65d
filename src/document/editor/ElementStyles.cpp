#include "document/editor/ElementStyles.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

namespace {

QColor colorFromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

quint32 bgrFromColor(const QColor& color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

QFont withFontStyle(QFont font, int fontStyle)
{
    font.setBold(fontStyle == syntax::Bold || fontStyle == syntax::BoldItalic);
    font.setItalic(fontStyle == syntax::Italic || fontStyle == syntax::BoldItalic);
    font.setUnderline(fontStyle == syntax::Underline);
    return font;
}

int fontStyleOf(const QFont& font)
{
    if (font.underline())
        return syntax::Underline;
    if (font.bold())
        return font.italic() ? syntax::BoldItalic : syntax::Bold;
    return font.italic() ? syntax::Italic : syntax::Normal;
}

bool isElementColor(int colorNumber)
{
    return colorNumber >= syntax::TextColor && colorNumber <= syntax::StringColor && colorNumber % 2 == 0;
}

} // namespace

bool ElementStyles::setColor(int colorNumber, quint32 bgr)
{
    bgr &= 0xFFFFFF;
    if (colorNumber == syntax::LineNumberColor) {
        lineNumberColor_ = bgr;
        lineNumberColorSet_ = true;
        return true;
    }
    if (!isElementColor(colorNumber))
        return false;
    const int style = (colorNumber - syntax::TextColor) / 2;
    colors_[style] = bgr;
    colorSet_[style] = true;
    return true;
}

bool ElementStyles::setFontStyle(int styleNumber, int fontStyle)
{
    if (styleNumber < 0 || styleNumber >= syntax::StyleCount || fontStyle < syntax::Normal ||
        fontStyle > syntax::Underline)
        return false;
    fontStyles_[styleNumber] = fontStyle;
    fontStyleSet_[styleNumber] = true;
    return true;
}

void ElementStyles::setFont(const QFont& font)
{
    font_ = font;
    fontSet_ = true;
}

quint32 ElementStyles::color(int colorNumber, const QsciScintilla& editor, const QsciLexer* lexer) const
{
    if (colorNumber == syntax::LineNumberColor)
        return quint32(editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE,
                                            QsciScintillaBase::STYLE_LINENUMBER)) & 0xFFFFFF;
    if (!isElementColor(colorNumber))
        return 0;
    const int style = (colorNumber - syntax::TextColor) / 2;
    if (colorSet_[style])
        return colors_[style];
    if (lexer)
        return bgrFromColor(lexer->color(style));
    return style == syntax::Text ? quint32(editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, 0UL)) & 0xFFFFFF
                                 : 0;
}

int ElementStyles::fontStyle(int styleNumber, const QsciLexer* lexer) const
{
    if (styleNumber < 0 || styleNumber >= syntax::StyleCount)
        return syntax::Normal;
    if (fontStyleSet_[styleNumber])
        return fontStyles_[styleNumber];
    return lexer ? fontStyleOf(lexer->font(styleNumber)) : syntax::Normal;
}

// The chosen font keeps the weight and slant the style already has unless a font style was chosen
// for the element.
QFont ElementStyles::fontFor(int style, const QFont& current) const
{
    QFont font = fontSet_ ? font_ : current;
    if (fontSet_) {
        font.setBold(current.bold());
        font.setItalic(current.italic());
        font.setUnderline(current.underline());
    }
    return fontStyleSet_[style] ? withFontStyle(font, fontStyles_[style]) : font;
}

void ElementStyles::apply(QsciScintilla& editor, QsciLexer* lexer) const
{
    if (lexer) {
        if (fontSet_)
            lexer->setDefaultFont(font_);
        for (int style = 0; style < syntax::StyleCount; ++style) {
            if (colorSet_[style])
                lexer->setColor(colorFromBgr(colors_[style]), style);
            lexer->setFont(fontFor(style, lexer->font(style)), style);
        }
    } else {
        const QFont font = fontFor(syntax::Text, fontSet_ ? font_ : editor.font());
        for (const unsigned long style : {(unsigned long)QsciScintillaBase::STYLE_DEFAULT, 0UL}) {
            editor.SendScintilla(QsciScintillaBase::SCI_STYLESETFONT, uintptr_t(style),
                                 font.family().toUtf8().constData());
            if (font.pointSize() > 0)
                editor.SendScintilla(QsciScintillaBase::SCI_STYLESETSIZE, style, long(font.pointSize()));
            editor.SendScintilla(QsciScintillaBase::SCI_STYLESETBOLD, style, long(font.bold()));
            editor.SendScintilla(QsciScintillaBase::SCI_STYLESETITALIC, style, long(font.italic()));
            editor.SendScintilla(QsciScintillaBase::SCI_STYLESETUNDERLINE, style, long(font.underline()));
            if (colorSet_[syntax::Text])
                editor.SendScintilla(QsciScintillaBase::SCI_STYLESETFORE, style, long(colors_[syntax::Text]));
        }
    }
    if (fontSet_)
        editor.setMarginsFont(font_);
    if (lineNumberColorSet_)
        editor.SendScintilla(QsciScintillaBase::SCI_STYLESETFORE, QsciScintillaBase::STYLE_LINENUMBER,
                             long(lineNumberColor_));
}
