#include "KixLexer.h"

#include <Qsci/qsciscintilla.h>

#include <QColor>
#include <QFont>

#include <algorithm>
#include <cstring>

namespace {

enum CharClass : std::uint8_t {
    WordChar = 1,
    DigitChar = 2,
    SpecialChar = 4, // may start a comment, string, symbol token, hex number, variable or macro
    LineEndChar = 8,
    CommentStartChar = 16,
    StringStartChar = 32,
    SymbolStartChar = 64,
};

constexpr std::uint32_t kHashSeed = 2166136261u;
constexpr std::uint32_t kHashPrime = 16777619u;

inline std::uint32_t hashStep(std::uint32_t h, unsigned char c) { return (h ^ c) * kHashPrime; }

inline bool isHexDigit(unsigned char c)
{
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// Bytes per styling call: keeps the style buffer small on huge documents.
constexpr std::size_t kChunkBytes = 256 * 1024;

} // namespace

KixLexer::KixLexer(const QString& languageName, std::shared_ptr<const LanguageDefinition> definition,
                   QObject* parent)
    : QsciLexerCustom(parent),
      languageName_(languageName.toUtf8()),
      definition_(definition ? std::move(definition) : std::make_shared<const LanguageDefinition>())
{
    compile();
}

KixLexer::~KixLexer() = default;

const char* KixLexer::language() const { return languageName_.constData(); }

QString KixLexer::description(int style) const
{
    switch (style) {
    case syntax::Text: return tr("Text");
    case syntax::Number: return tr("Number");
    case syntax::Keyword: return tr("Keyword");
    case syntax::Operator: return tr("Operator");
    case syntax::ScopeKeyword: return tr("Scope keyword");
    case syntax::Comment: return tr("Comment");
    case syntax::String: return tr("String");
    default: return QString();
    }
}

QColor KixLexer::defaultColor(int style) const
{
    switch (style) {
    case syntax::Keyword:
    case syntax::ScopeKeyword: return QColor(0x00, 0x00, 0xFF);
    case syntax::Operator: return QColor(0xFF, 0x00, 0x00);
    case syntax::Comment: return QColor(0x00, 0x80, 0x00);
    case syntax::String: return QColor(0x80, 0x00, 0x80);
    default: return QColor(0x00, 0x00, 0x00);
    }
}

QFont KixLexer::defaultFont(int style) const
{
    QFont font = QsciLexerCustom::defaultFont(style);
    font.setBold(style == syntax::Keyword || style == syntax::ScopeKeyword);
    font.setItalic(style == syntax::Comment);
    return font;
}

bool KixLexer::caseSensitive() const { return definition_->caseSensitive(); }

QByteArray KixLexer::foldForLookup(const QString& word) const
{
    QByteArray bytes = word.toUtf8();
    if (!definition_->caseSensitive()) {
        for (char& c : bytes)
            c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
    }
    return bytes;
}

void KixLexer::compile()
{
    const LanguageDefinition& def = *definition_;

    for (int c = 0; c < 256; ++c) {
        std::uint8_t cls = 0;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80)
            cls |= WordChar;
        if (c >= '0' && c <= '9')
            cls |= WordChar | DigitChar;
        if (c == '\r' || c == '\n')
            cls |= LineEndChar;
        charClass_[c] = cls;
        fold_[c] = static_cast<std::uint8_t>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
    }
    charClass_['&'] |= SpecialChar;
    charClass_['$'] |= SpecialChar;
    charClass_['@'] |= SpecialChar;

    auto isWordLike = [this](const QByteArray& bytes) {
        return std::all_of(bytes.begin(), bytes.end(),
                           [this](char c) { return charClass_[static_cast<unsigned char>(c)] & WordChar; });
    };

    // Words and symbols by style; later additions win, which gives scope words precedence over
    // operators and operators over keywords.
    std::vector<SymbolToken> symbols;
    auto add = [&](const QStringList& items, unsigned char style) {
        for (const QString& item : items) {
            if (item.isEmpty())
                continue;
            const QByteArray folded = foldForLookup(item);
            if (isWordLike(folded)) {
                addWord(folded, style);
            } else {
                auto same = std::find_if(symbols.begin(), symbols.end(),
                                         [&](const SymbolToken& t) { return t.text == folded; });
                if (same != symbols.end())
                    same->style = style;
                else
                    symbols.push_back({folded, style});
            }
        }
    };
    add(def.keywordList(), syntax::Keyword);
    add(def.operatorList(), syntax::Operator);
    add(def.scopeOpeningList(), syntax::ScopeKeyword);
    add(def.scopeClosingList(), syntax::ScopeKeyword);

    std::stable_sort(symbols.begin(), symbols.end(),
                     [](const SymbolToken& a, const SymbolToken& b) { return a.text.size() > b.text.size(); });
    for (const SymbolToken& t : symbols) {
        const auto first = static_cast<unsigned char>(t.text.at(0));
        symbolsByFirstByte_[first].push_back(t);
        charClass_[first] |= SpecialChar | SymbolStartChar;
        // A symbol starting with a letter would be folded; match it unfolded too.
        charClass_[static_cast<unsigned char>(first >= 'a' && first <= 'z' ? first - 32 : first)] |= SpecialChar | SymbolStartChar;
    }

    auto addMarkers = [this](const QStringList& items, std::vector<QByteArray>& out, std::uint8_t flag) {
        for (const QString& item : items) {
            const QByteArray bytes = item.toUtf8();
            if (bytes.isEmpty())
                continue;
            out.push_back(bytes);
            charClass_[static_cast<unsigned char>(bytes.at(0))] |= SpecialChar | flag;
        }
        std::stable_sort(out.begin(), out.end(),
                         [](const QByteArray& a, const QByteArray& b) { return a.size() > b.size(); });
    };
    addMarkers(def.singleLineCommentList(), commentMarkers_, CommentStartChar);
    addMarkers(def.stringDelimiterList(), stringDelimiters_, StringStartChar);

    const QByteArray escape = def.escapeChar().toUtf8();
    escapeByte_ = escape.size() == 1 ? static_cast<unsigned char>(escape.at(0)) : -1;
}

void KixLexer::addWord(const QByteArray& folded, unsigned char style)
{
    if (folded.size() > 255)
        return;
    std::uint32_t hash = kHashSeed;
    for (char c : folded)
        hash = hashStep(hash, static_cast<unsigned char>(c));

    if (wordSlots_.empty())
        wordSlots_.resize(64);
    const std::size_t mask = wordSlots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        WordSlot& slot = wordSlots_[i];
        if (slot.length == 0)
            break;
        if (slot.hash == hash && slot.length == folded.size()
            && std::memcmp(wordPool_.constData() + slot.offset, folded.constData(), slot.length) == 0) {
            slot.style = style;
            return;
        }
    }

    // Keep the table at most a quarter full so that probes stay short.
    std::size_t used = 1;
    for (const WordSlot& s : wordSlots_)
        used += s.length != 0;
    if (used * 4 > wordSlots_.size()) {
        std::vector<WordSlot> old = std::move(wordSlots_);
        wordSlots_.assign(old.size() * 2, WordSlot{});
        const std::size_t newMask = wordSlots_.size() - 1;
        for (const WordSlot& s : old) {
            if (s.length == 0)
                continue;
            std::size_t j = s.hash & newMask;
            while (wordSlots_[j].length != 0)
                j = (j + 1) & newMask;
            wordSlots_[j] = s;
        }
    }

    const std::size_t newMask = wordSlots_.size() - 1;
    std::size_t j = hash & newMask;
    while (wordSlots_[j].length != 0)
        j = (j + 1) & newMask;
    wordSlots_[j] = WordSlot{hash, static_cast<std::uint32_t>(wordPool_.size()),
                             static_cast<std::uint8_t>(folded.size()), style};
    wordPool_.append(folded);
    maxWordLength_ = std::max<std::size_t>(maxWordLength_, folded.size());
}

int KixLexer::lookupWord(const unsigned char* folded, std::size_t length, std::uint32_t hash) const
{
    if (wordSlots_.empty())
        return -1;
    const std::size_t mask = wordSlots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const WordSlot& slot = wordSlots_[i];
        if (slot.length == 0)
            return -1;
        if (slot.hash == hash && slot.length == length) {
            const char* stored = wordPool_.constData() + slot.offset;
            std::size_t k = 0;
            while (k < length && static_cast<unsigned char>(stored[k]) == folded[k])
                ++k;
            if (k == length)
                return slot.style;
        }
    }
}

std::size_t KixLexer::matchMarker(const unsigned char* s, std::size_t i, std::size_t n,
                                  const std::vector<QByteArray>& markers) const
{
    for (const QByteArray& m : markers) {
        const auto len = static_cast<std::size_t>(m.size());
        if (s[i] == static_cast<unsigned char>(m[0]) && len <= n - i
            && (len == 1 || std::memcmp(s + i + 1, m.constData() + 1, len - 1) == 0)) {
            // A marker spelled as a word only counts as a whole word.
            if ((charClass_[s[i]] & WordChar) && i + len < n && (charClass_[s[i + len]] & WordChar))
                continue;
            return len;
        }
    }
    return 0;
}

const KixLexer::SymbolToken* KixLexer::matchSymbol(const unsigned char* s, std::size_t i, std::size_t n,
                                                    bool foldCase) const
{
    for (const SymbolToken& t : symbolsByFirstByte_[foldCase ? fold_[s[i]] : s[i]]) {
        const auto len = static_cast<std::size_t>(t.text.size());
        if (len > n - i)
            continue;
        std::size_t k = 1;
        while (k < len && (foldCase ? fold_[s[i + k]] : s[i + k]) == static_cast<unsigned char>(t.text[k]))
            ++k;
        if (k == len)
            return &t;
    }
    return nullptr;
}

void KixLexer::styleBytes(const char* text, std::size_t n, unsigned char* out) const
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    const bool foldCase = !definition_->caseSensitive();
    unsigned char folded[256];

    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        const std::uint8_t cls = charClass_[c];

        if (cls & SpecialChar) {
            // Comment: to the end of the line.
            std::size_t len = 0;
            if ((cls & CommentStartChar) && (len = matchMarker(s, i, n, commentMarkers_)) != 0) {
                std::size_t j = i + len;
                while (j < n && !(charClass_[s[j]] & LineEndChar))
                    ++j;
                std::memset(out + i, syntax::Comment, j - i);
                i = j;
                continue;
            }
            // String: to the same delimiter or the end of the line.
            if ((cls & StringStartChar) && (len = matchMarker(s, i, n, stringDelimiters_)) != 0) {
                const unsigned char* delim = s + i;
                std::size_t j = i + len;
                while (j < n && !(charClass_[s[j]] & LineEndChar)) {
                    if (static_cast<int>(s[j]) == escapeByte_ && j + 1 < n && !(charClass_[s[j + 1]] & LineEndChar)) {
                        j += 2;
                        continue;
                    }
                    if (s[j] == delim[0] && len <= n - j && std::memcmp(s + j, delim, len) == 0) {
                        j += len;
                        break;
                    }
                    ++j;
                }
                std::memset(out + i, syntax::String, j - i);
                i = j;
                continue;
            }
            // &FF: a hexadecimal number when the whole word after "&" is hexadecimal digits.
            if (c == '&' && i + 1 < n && isHexDigit(s[i + 1])) {
                std::size_t j = i + 1;
                while (j < n && isHexDigit(s[j]))
                    ++j;
                if (j == n || !(charClass_[s[j]] & WordChar)) {
                    std::memset(out + i, syntax::Number, j - i);
                    i = j;
                    continue;
                }
            }
            // Operators and symbol keywords, longest first.
            if (cls & SymbolStartChar) {
                if (const SymbolToken* t = matchSymbol(s, i, n, foldCase)) {
                    const auto len = static_cast<std::size_t>(t->text.size());
                    std::memset(out + i, t->style, len);
                    i += len;
                    continue;
                }
            }
            // $variable, @macro: plain text including the name, so that a name never looks like a keyword.
            if (c == '$' || c == '@') {
                std::size_t j = i + 1;
                while (j < n && (charClass_[s[j]] & WordChar))
                    ++j;
                std::memset(out + i, syntax::Text, j - i);
                i = j;
                continue;
            }
            if (!(cls & WordChar)) {
                out[i++] = syntax::Text;
                continue;
            }
        }

        if (cls & WordChar) {
            std::size_t j = i;
            if (cls & DigitChar) {
                while (j < n && (charClass_[s[j]] & DigitChar))
                    ++j;
                if (j + 1 < n && s[j] == '.' && (charClass_[s[j + 1]] & DigitChar)) {
                    j += 2;
                    while (j < n && (charClass_[s[j]] & DigitChar))
                        ++j;
                }
                if (j == n || !(charClass_[s[j]] & WordChar)) {
                    std::memset(out + i, syntax::Number, j - i);
                    i = j;
                    continue;
                }
                // Digits running into letters: one plain word.
                while (j < n && (charClass_[s[j]] & WordChar))
                    ++j;
                std::memset(out + i, syntax::Text, j - i);
                i = j;
                continue;
            }

            std::uint32_t hash = kHashSeed;
            const std::size_t limit = std::min(n, i + maxWordLength_);
            while (j < limit && (charClass_[s[j]] & WordChar)) {
                const unsigned char f = foldCase ? fold_[s[j]] : s[j];
                folded[j - i] = f;
                hash = hashStep(hash, f);
                ++j;
            }
            int style = syntax::Text;
            if (j < n && (charClass_[s[j]] & WordChar)) {
                // Longer than any listed word.
                while (j < n && (charClass_[s[j]] & WordChar))
                    ++j;
            } else {
                const int found = lookupWord(folded, j - i, hash);
                if (found >= 0)
                    style = found;
            }
            std::memset(out + i, style, j - i);
            i = j;
            continue;
        }

        // Blanks, line ends and other punctuation: plain text up to the next token.
        std::size_t j = i + 1;
        while (j < n && !(charClass_[s[j]] & (WordChar | SpecialChar)))
            ++j;
        std::memset(out + i, syntax::Text, j - i);
        i = j;
    }
}

void KixLexer::follow(QsciScintilla* editor)
{
    if (followed_ == editor)
        return;
    followed_ = editor;
    validEnd_ = 0;
    changedStart_ = changedEnd_ = -1;
    connect(editor, &QsciScintillaBase::SCN_MODIFIED, this,
            [this, editor](int position, int type, const char*, int length, int, int, int, int, int, int) {
                if (editor == followed_)
                    textChanged(position, type, length);
            });
}

void KixLexer::textChanged(int position, int type, int length)
{
    using Sci = QsciScintillaBase;
    const long p = position;
    if (type & Sci::SC_MOD_INSERTTEXT) {
        if (p < validEnd_)
            validEnd_ += length;
        if (changedEnd_ >= p)
            changedEnd_ += length;
        changedStart_ = changedStart_ < 0 ? p : std::min(changedStart_, p);
        changedEnd_ = std::max(changedEnd_, p + length);
    } else if (type & Sci::SC_MOD_DELETETEXT) {
        if (p < validEnd_)
            validEnd_ = std::max(p, validEnd_ - length);
        if (changedEnd_ > p)
            changedEnd_ = std::max(p, changedEnd_ - length);
        changedStart_ = changedStart_ < 0 ? p : std::min(changedStart_, p);
        changedEnd_ = std::max(changedEnd_, p);
    }
}

namespace {
bool isBlank(long c) { return c == ' ' || c == '\t'; }
bool spansBlanks(long style) { return style == syntax::String || style == syntax::Comment; }
} // namespace

long KixLexer::restartPoint(long lineStart, long bound) const
{
    // The start of a token: where the style changes, or after a blank outside a string or comment.
    // Looked for not too far back; otherwise the line is styled from its start.
    constexpr long kMaxBack = 4096;
    const auto send = [this](unsigned int msg, long w) { return followed_->SendScintilla(msg, (unsigned long)w); };
    for (long q = bound; q > lineStart && q > bound - kMaxBack; --q) {
        const long before = send(QsciScintillaBase::SCI_GETSTYLEAT, q - 1);
        if ((isBlank(send(QsciScintillaBase::SCI_GETCHARAT, q - 1) & 0xFF) && !spansBlanks(before)) ||
            (q < bound && before != send(QsciScintillaBase::SCI_GETSTYLEAT, q)))
            return q;
    }
    return lineStart;
}

bool KixLexer::meetsEarlierStyles(long pos, const unsigned char* styles, long from) const
{
    // After a blank at pos - 1 outside a string or comment, in both the new styles and the earlier
    // ones, a token starts in unchanged text: all that follows is styled as before.
    if (pos <= changedEnd_ || pos >= validEnd_ || pos <= from)
        return false;
    const auto send = [this](unsigned int msg, long w) { return followed_->SendScintilla(msg, (unsigned long)w); };
    const long newBefore = styles[pos - 1 - from];
    return !spansBlanks(newBefore) && send(QsciScintillaBase::SCI_GETSTYLEAT, pos - 1) == newBefore;
}

void KixLexer::styleText(int start, int end)
{
    QsciScintilla* ed = editor();
    lastStyledBytes_ = 0;
    if (!ed)
        return;

    using Sci = QsciScintillaBase;
    auto send = [ed](unsigned int msg, unsigned long w = 0, long l = 0) { return ed->SendScintilla(msg, w, l); };

    follow(ed);
    const long docLength = send(Sci::SCI_GETLENGTH);
    long from = std::clamp<long>(start, 0, docLength);
    long to = std::clamp<long>(end, 0, docLength);
    const long lineStart = send(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(send(Sci::SCI_LINEFROMPOSITION, from)));
    if (to > from) {
        // Lines are independent: finish the last line asked for.
        const long lastLine = send(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(to - 1));
        const long next = send(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(lastLine + 1));
        to = (next < 0 || next > docLength) ? docLength : std::max(to, next);
    }
    // Styling redone without a change of text (another list of keywords) leaves no earlier style
    // to rely on after the point it starts from.
    const long styledEnd = send(Sci::SCI_GETENDSTYLED);
    if (styledEnd < (changedStart_ < 0 ? validEnd_ : std::min(changedStart_, validEnd_)))
        validEnd_ = styledEnd;
    validEnd_ = std::min(validEnd_, docLength);
    // The styles before the first unstyled byte stand: start at the token before it.
    const long bound = std::min(styledEnd, to);
    from = from <= bound ? restartPoint(lineStart, bound) : lineStart;
    if (to <= from)
        return;

    const std::size_t total = static_cast<std::size_t>(to - from);
    const auto* text = reinterpret_cast<const char*>(
        send(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
    if (!text)
        return;

    std::vector<unsigned char> styles;
    send(Sci::SCI_STARTSTYLING, static_cast<unsigned long>(from));
    std::size_t done = 0;
    // Small pieces first: typing usually meets the earlier styles within a token or two.
    std::size_t piece = 64;
    while (done < total) {
        std::size_t len = std::min(total - done, piece);
        piece = std::min(piece * 4, kChunkBytes);
        if (done + len < total) {
            // End the piece after a blank or a line end, so that no token is cut; a longer run of
            // bytes without either goes whole.
            const char* chunk = text + done;
            std::size_t cut = len;
            while (cut > 0 && !isBlank(chunk[cut - 1]) && chunk[cut - 1] != '\n' && chunk[cut - 1] != '\r')
                --cut;
            if (cut == 0) {
                cut = len;
                while (done + cut < total && !isBlank(chunk[cut - 1]) && chunk[cut - 1] != '\n' && chunk[cut - 1] != '\r')
                    ++cut;
            }
            len = cut;
        }
        if (styles.size() < len)
            styles.resize(len);
        styleBytes(text + done, len, styles.data());
        // A piece cut after a blank inside a string or comment ends it early: take the rest of the line.
        if (done + len < total && isBlank(text[done + len - 1]) && spansBlanks(styles[len - 1])) {
            std::size_t lineEnd = done + len;
            while (lineEnd < total && text[lineEnd] != '\n' && text[lineEnd] != '\r')
                ++lineEnd;
            len = lineEnd - done;
            if (styles.size() < len)
                styles.resize(len);
            styleBytes(text + done, len, styles.data());
        }
        const long pieceStart = from + long(done);
        for (long pos = std::max(pieceStart + 1, changedEnd_ + 1); pos <= pieceStart + long(len); ++pos) {
            if (isBlank(text[pos - 1 - from]) && meetsEarlierStyles(pos, styles.data(), pieceStart)) {
                ed->SendScintilla(Sci::SCI_SETSTYLINGEX, static_cast<uintptr_t>(pos - pieceStart),
                                  reinterpret_cast<const char*>(styles.data()));
                send(Sci::SCI_STARTSTYLING, static_cast<unsigned long>(validEnd_));
                changedStart_ = changedEnd_ = -1;
                lastStyledBytes_ = static_cast<qint64>(done + len);
                totalStyledBytes_ += lastStyledBytes_;
                return;
            }
        }
        ed->SendScintilla(Sci::SCI_SETSTYLINGEX, static_cast<uintptr_t>(len),
                          reinterpret_cast<const char*>(styles.data()));
        done += len;
    }
    validEnd_ = std::max(validEnd_, to);
    if (to >= changedEnd_)
        changedStart_ = changedEnd_ = -1;
    else if (changedStart_ >= 0)
        changedStart_ = std::max(changedStart_, to);

    lastStyledBytes_ = static_cast<qint64>(total);
    totalStyledBytes_ += lastStyledBytes_;
}
