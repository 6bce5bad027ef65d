#pragma once
// Colours a script by a registered LanguageDefinition (keywords, scope words, operators, comment
// markers, string delimiters), styling the editor's UTF-8 bytes directly.
//
// Every construct ends at the end of its line, so a line's colours depend on that line alone, and a
// token's colour on its own bytes and those after it: a restyle starts at the token before the first
// byte to style and carries no state across tokens. It stops once the new colours meet the earlier
// ones again behind the text that changed, so typing restyles about a token, even in a line of
// megabytes.
//
// Tokens, first match wins at each position:
// - a single-line comment marker: comment to the end of the line;
// - a string delimiter: string up to the same delimiter or the end of the line (the escape
//   character, when defined, skips the byte after it);
// - "&" followed by hexadecimal digits only, up to the end of the word: a hexadecimal number (&FF);
// - an operator or a keyword made of symbol characters (":" of a label, "?" the print command),
//   longest first, so "<>", ">=", "<=", "==" beat their one-character prefixes; an operator wins over
//   a keyword of the same text;
// - "$" or "@" with the word after it: a variable or macro, plain text;
// - a word (letters, digits, "_", any non-ASCII byte): scope keyword, word operator ("AND", "OR",
//   "NOT" as whole words) or keyword, in that order of precedence, compared without letter case
//   (ASCII) unless the definition is case-sensitive; a word of digits only, optionally with a
//   decimal part ("12", "3.5"), is a number; anything else is plain text.

#include "LanguageDefinition.h"
#include "SyntaxElements.h"

#include <Qsci/qscilexercustom.h>

#include <QByteArray>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class KixLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    KixLexer(const QString& languageName, std::shared_ptr<const LanguageDefinition> definition,
             QObject* parent = nullptr);
    ~KixLexer() override;

    const char* language() const override;
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    bool caseSensitive() const override;

    void styleText(int start, int end) override;

    // Styles `length` bytes of UTF-8 text, writing one style number per byte into `styles`.
    // The text must begin at the start of a line.
    void styleBytes(const char* text, std::size_t length, unsigned char* styles) const;

    const std::shared_ptr<const LanguageDefinition>& definition() const { return definition_; }

    // Bytes lexed by the latest styleText call and by all calls since the last reset.
    qint64 lastStyledBytes() const { return lastStyledBytes_; }
    qint64 totalStyledBytes() const { return totalStyledBytes_; }
    void resetStyledByteCounts() { lastStyledBytes_ = totalStyledBytes_ = 0; }

private:
    struct SymbolToken {
        QByteArray text;
        unsigned char style;
    };
    struct WordSlot {
        std::uint32_t hash = 0;
        std::uint32_t offset = 0; // into wordPool_
        std::uint8_t length = 0;  // 0 = empty slot
        std::uint8_t style = 0;
    };

    void compile();
    void addWord(const QByteArray& folded, unsigned char style);
    int lookupWord(const unsigned char* folded, std::size_t length, std::uint32_t hash) const;
    QByteArray foldForLookup(const QString& word) const;
    const SymbolToken* matchSymbol(const unsigned char* s, std::size_t i, std::size_t n, bool foldCase) const;
    std::size_t matchMarker(const unsigned char* s, std::size_t i, std::size_t n,
                            const std::vector<QByteArray>& markers) const;

    QByteArray languageName_;
    std::shared_ptr<const LanguageDefinition> definition_;

    std::array<std::uint8_t, 256> charClass_{};
    std::array<std::uint8_t, 256> fold_{};
    std::vector<WordSlot> wordSlots_; // open addressing, size a power of two
    QByteArray wordPool_;
    std::size_t maxWordLength_ = 0;
    std::array<std::vector<SymbolToken>, 256> symbolsByFirstByte_; // longest first
    std::vector<QByteArray> commentMarkers_;
    std::vector<QByteArray> stringDelimiters_;
    int escapeByte_ = -1; // -1 = none

    // Follows the editor's changes: which styles from earlier calls still hold where.
    void follow(QsciScintilla* editor);
    void textChanged(int position, int type, int length);
    long restartPoint(long lineStart, long bound) const;
    bool meetsEarlierStyles(long pos, const unsigned char* styles, long from) const;

    QsciScintilla* followed_ = nullptr;
    // Styles before validEnd_ are right (they move with the text) except in the changed region.
    long validEnd_ = 0;
    long changedStart_ = -1; // -1: no change since the last call
    long changedEnd_ = -1;

    qint64 lastStyledBytes_ = 0;
    qint64 totalStyledBytes_ = 0;
};
