#pragma once
// Syntax element numbers shared by the editing control, the language lexer and the preferences.
// Each element has a lexer style number; its colour is addressed by the colour number 4 + 2 × style.

namespace syntax {

enum Style : int {
    Text = 0,
    Number = 1,
    Keyword = 2,
    Operator = 3,
    ScopeKeyword = 4,
    Comment = 5,
    String = 6,
    StyleCount = 7,
};

// Colour numbers used with CodeEditor::SetElementColor.
enum ColorNumber : int {
    TextColor = 4,
    NumberColor = 6,
    KeywordColor = 8,
    OperatorColor = 10,
    ScopeKeywordColor = 12,
    CommentColor = 14,
    StringColor = 16,
    LineNumberColor = 27, // the fixed grey given to every document at load: the line-number text
};

// Font style values used with CodeEditor::SetElementFontStyle (the positions of the style lists).
enum FontStyle : int { Normal = 0, Bold = 1, Italic = 2, BoldItalic = 3, Underline = 4 };

// Token classes answered by CodeEditor::TokenAtCaret.
enum TokenClass : int { KeywordToken = 1, StringToken = 3, CommentToken = 4, NoToken = 255 };

} // namespace syntax
