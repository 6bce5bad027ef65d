#include "document/ScriptStructure.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace {

using Kind = ScriptStructure::BlockKind;

enum class Word : std::uint8_t {
    None, If, Else, EndIf, While, Loop, Do, Until, For, Each, Next, Select, Case, EndSelect,
    Function, EndFunction, Goto, Gosub,
};

struct WordName {
    const char* text;
    Word word;
};
// Lower case; compared against the folded word.
constexpr WordName kWords[] = {
    {"if", Word::If},         {"else", Word::Else},           {"endif", Word::EndIf},
    {"while", Word::While},   {"loop", Word::Loop},           {"do", Word::Do},
    {"until", Word::Until},   {"for", Word::For},             {"each", Word::Each},
    {"next", Word::Next},     {"select", Word::Select},       {"case", Word::Case},
    {"endselect", Word::EndSelect}, {"function", Word::Function}, {"endfunction", Word::EndFunction},
    {"goto", Word::Goto},     {"gosub", Word::Gosub},
};

inline unsigned char lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

inline bool isWordByte(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
}

inline bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == 0; }

inline bool isLineEnd(unsigned char c) { return c == '\n' || c == '\r'; }

Word classify(const unsigned char* s, std::size_t n)
{
    if (n < 2 || n > 11)
        return Word::None;
    char folded[12];
    for (std::size_t i = 0; i < n; ++i)
        folded[i] = char(lower(s[i]));
    for (const WordName& w : kWords) {
        if (w.text[0] == folded[0] && std::strlen(w.text) == n && std::memcmp(w.text, folded, n) == 0)
            return w.word;
    }
    return Word::None;
}

QByteArray foldName(const char* s, std::size_t n)
{
    QByteArray out(s, qsizetype(n));
    for (char& c : out)
        c = char(lower(static_cast<unsigned char>(c)));
    return out;
}

// Bit set of the block kinds a closing word ends.
constexpr unsigned bit(Kind k) { return 1u << unsigned(k); }

struct OpenBlock {
    Kind kind;
    int line;
    int pos;
    int length;
    int lineStart;
    std::size_t index; // into blocks
};

class Analyser {
public:
    Analyser(const char* text, std::size_t length, ScriptStructure& out)
        : s_(reinterpret_cast<const unsigned char*>(text)), n_(length), out_(out)
    {
    }

    void run();

private:
    struct Jump {
        QByteArray folded;
        const char* word;
        int line;
        int pos;
        int length;
        int lineStart;
    };

    int column(int lineStart, int pos) const
    {
        int chars = 0;
        for (int i = lineStart; i < pos; ++i)
            chars += (s_[i] & 0xC0) != 0x80;
        return chars;
    }
    void problem(int lineOfWords, int lineStart, int pos, int length, QString message)
    {
        out_.problems.push_back({lineOfWords, column(lineStart, pos), pos, std::max(length, 1), std::move(message)});
    }
    void unclosed(const OpenBlock& b)
    {
        problem(b.line, b.lineStart, b.pos, b.length,
                QStringLiteral("%1 on line %2 has no %3.")
                    .arg(QLatin1String(ScriptStructure::openingWord(b.kind)))
                    .arg(b.line + 1)
                    .arg(QLatin1String(ScriptStructure::closingWord(b.kind))));
    }
    // Index in the stack of the innermost open block of one of the kinds; -1 when there is none.
    // A Function only opens on an empty stack, so no search reaches past one.
    long findOpen(unsigned kinds) const
    {
        for (long i = long(stack_.size()) - 1; i >= 0; --i) {
            if (kinds & bit(stack_[std::size_t(i)].kind))
                return i;
        }
        return -1;
    }
    // Reports and drops the blocks above index keep.
    void dropAbove(long keep)
    {
        while (long(stack_.size()) - 1 > keep) {
            unclosed(stack_.back());
            stack_.pop_back();
            noteDepth();
        }
    }
    void noteDepth() { minDepth_ = std::min(minDepth_, int(stack_.size())); }
    void open(Kind kind, int pos, int length)
    {
        stack_.push_back({kind, line_, pos, length, lineStart_, out_.blocks.size()});
        out_.blocks.push_back({kind, line_, -1});
    }
    void close(unsigned kinds, const char* closer, const char* opener, int pos, int length);
    void middle(Kind kind, const char* word, const char* outside, int pos, int length);
    void endLine();
    void word(int start, int end);
    void string(int quote);
    int label(int colon);
    // Remembers the first line of a name; a second definition is a problem.
    void define(QHash<QByteArray, int>& firstLines, const QString& kind, const char* name, std::size_t length,
                int pos, int markLength);
    void captureFunction(int nameStart, int nameEnd);
    int lineEnd(int from) const
    {
        int i = from;
        while (std::size_t(i) < n_ && !isLineEnd(s_[i]))
            ++i;
        return i;
    }

    enum class Expect { Nothing, ForEach, JumpTarget, FunctionName };

    const unsigned char* s_;
    std::size_t n_;
    ScriptStructure& out_;
    std::vector<OpenBlock> stack_;
    std::vector<Jump> jumps_;
    QHash<QByteArray, int> labelLines_;
    QHash<QByteArray, int> functionLines_;
    int line_ = 0;
    int lineStart_ = 0;
    bool lineHasToken_ = false;
    int minDepth_ = 0;
    Expect expect_ = Expect::Nothing;
    const char* jumpWord_ = "";
    Word previous_ = Word::None;
};

void Analyser::close(unsigned kinds, const char* closer, const char* opener, int pos, int length)
{
    const long at = findOpen(kinds);
    if (at < 0) {
        problem(line_, lineStart_, pos, length,
                QStringLiteral("%1 on line %2 has no matching %3.")
                    .arg(QLatin1String(closer))
                    .arg(line_ + 1)
                    .arg(QLatin1String(opener)));
        return;
    }
    dropAbove(at);
    out_.blocks[stack_.back().index].closeLine = line_;
    stack_.pop_back();
    noteDepth();
}

void Analyser::middle(Kind kind, const char* word, const char* outside, int pos, int length)
{
    const long at = findOpen(bit(kind));
    if (at < 0) {
        problem(line_, lineStart_, pos, length,
                QStringLiteral("%1 on line %2 is not inside %3.")
                    .arg(QLatin1String(word))
                    .arg(line_ + 1)
                    .arg(QLatin1String(outside)));
        return;
    }
    dropAbove(at);
}

void Analyser::endLine()
{
    const int depth = int(stack_.size());
    const int level = std::min(minDepth_, int(ScriptStructure::FoldDepthMask));
    out_.foldLevels.push_back(level | (depth > minDepth_ ? ScriptStructure::FoldHeader : 0));
    minDepth_ = depth;
    lineHasToken_ = false;
    expect_ = Expect::Nothing;
    previous_ = Word::None;
}

void Analyser::string(int quote)
{
    const unsigned char q = s_[quote];
    int i = quote + 1;
    while (std::size_t(i) < n_ && s_[i] != q && !isLineEnd(s_[i]))
        ++i;
    if (std::size_t(i) >= n_ || s_[i] != q) {
        problem(line_, lineStart_, quote, i - quote,
                QStringLiteral("String on line %1 is not closed.").arg(line_ + 1));
        return;
    }
    if (expect_ == Expect::JumpTarget) {
        int from = quote + 1;
        if (from < i && s_[from] == ':')
            ++from; // a target written with its colon
        if (from < i && s_[from] != '$' && s_[from] != '@' && s_[from] != '%')
            jumps_.push_back({foldName(reinterpret_cast<const char*>(s_ + from), std::size_t(i - from)),
                              jumpWord_, line_, quote, i + 1 - quote, lineStart_});
    }
}

void Analyser::define(QHash<QByteArray, int>& firstLines, const QString& kind, const char* name, std::size_t length,
                      int pos, int markLength)
{
    const QByteArray folded = foldName(name, length);
    const auto first = firstLines.constFind(folded);
    if (first == firstLines.constEnd()) {
        firstLines.insert(folded, line_);
        return;
    }
    problem(line_, lineStart_, pos, markLength,
            QStringLiteral("%1%2 on line %3 is already defined on line %4.")
                .arg(kind, QString::fromUtf8(name, qsizetype(length)))
                .arg(line_ + 1)
                .arg(*first + 1));
}

int Analyser::label(int colon)
{
    int end = colon + 1;
    while (std::size_t(end) < n_ && !isSpace(s_[end]) && !isLineEnd(s_[end]) && s_[end] != ';')
        ++end;
    if (end == colon + 1)
        return end;
    const char* name = reinterpret_cast<const char*>(s_ + colon + 1);
    const std::size_t length = std::size_t(end - colon - 1);
    define(labelLines_, QStringLiteral("Label :"), name, length, colon, end - colon);
    out_.labels.push_back({QByteArray(name, qsizetype(length)), line_, colon + 1, {}});
    return end;
}

void Analyser::captureFunction(int nameStart, int nameEnd)
{
    const char* name = reinterpret_cast<const char*>(s_ + nameStart);
    const std::size_t length = std::size_t(nameEnd - nameStart);
    // Parameters: between "(" right after the name and the ")" of the same line.
    QByteArray parameters;
    int i = nameEnd;
    while (std::size_t(i) < n_ && isSpace(s_[i]))
        ++i;
    if (std::size_t(i) < n_ && s_[i] == '(') {
        const int close = i + 1;
        int j = close;
        while (std::size_t(j) < n_ && s_[j] != ')' && !isLineEnd(s_[j]))
            ++j;
        parameters = QByteArray(reinterpret_cast<const char*>(s_ + close), j - close).trimmed();
    }
    define(functionLines_, QStringLiteral("Function "), name, length, nameStart, nameEnd - nameStart);
    out_.functions.push_back({QByteArray(name, qsizetype(length)), line_, nameStart, parameters});
}

void Analyser::word(int start, int end)
{
    const Expect expected = expect_;
    expect_ = Expect::Nothing;
    const Word w = classify(s_ + start, std::size_t(end - start));
    const Word before = previous_;
    previous_ = w;
    const int length = end - start;
    switch (expected) {
    case Expect::ForEach:
        if (w == Word::Each) {
            out_.blocks[stack_.back().index].kind = Kind::ForEach;
            stack_.back().kind = Kind::ForEach;
            return;
        }
        break;
    case Expect::JumpTarget:
        jumps_.push_back({foldName(reinterpret_cast<const char*>(s_ + start), std::size_t(length)), jumpWord_,
                          line_, start, length, lineStart_});
        return;
    case Expect::FunctionName:
        captureFunction(start, end);
        return;
    case Expect::Nothing:
        break;
    }
    switch (w) {
    case Word::If: open(Kind::If, start, length); break;
    case Word::While: open(Kind::While, start, length); break;
    case Word::Do: open(Kind::Do, start, length); break;
    case Word::Select: open(Kind::Select, start, length); break;
    case Word::For:
        open(Kind::For, start, length);
        expect_ = Expect::ForEach;
        break;
    case Word::Function:
        // A Function's definition cannot sit inside another block.
        dropAbove(-1);
        open(Kind::Function, start, length);
        expect_ = Expect::FunctionName;
        break;
    case Word::EndIf: close(bit(Kind::If), "EndIf", "If", start, length); break;
    case Word::Loop: close(bit(Kind::While), "Loop", "While", start, length); break;
    case Word::Until: close(bit(Kind::Do), "Until", "Do", start, length); break;
    case Word::Next: close(bit(Kind::For) | bit(Kind::ForEach), "Next", "For", start, length); break;
    case Word::EndSelect: close(bit(Kind::Select), "EndSelect", "Select", start, length); break;
    case Word::EndFunction: close(bit(Kind::Function), "EndFunction", "Function", start, length); break;
    case Word::Else:
        if (before != Word::Case) // "Case Else" is a Case, not an If's Else
            middle(Kind::If, "Else", "an If", start, length);
        break;
    case Word::Case: middle(Kind::Select, "Case", "a Select", start, length); break;
    case Word::Goto:
    case Word::Gosub:
        expect_ = Expect::JumpTarget;
        jumpWord_ = w == Word::Goto ? "Goto" : "Gosub";
        break;
    default: break;
    }
}

void Analyser::run()
{
    std::size_t i = 0;
    while (i < n_) {
        const unsigned char c = s_[i];
        if (c == '\n' || c == '\r') {
            i += (c == '\r' && i + 1 < n_ && s_[i + 1] == '\n') ? 2 : 1;
            endLine();
            ++line_;
            lineStart_ = int(i);
            continue;
        }
        if (isSpace(c)) {
            ++i;
            continue;
        }
        const bool first = !lineHasToken_;
        lineHasToken_ = true;
        if (c == ';') {
            i = std::size_t(lineEnd(int(i)));
            continue;
        }
        if (c == '"' || c == '\'') {
            string(int(i));
            const int q = int(i);
            i = std::size_t(q + 1);
            while (i < n_ && s_[i] != c && !isLineEnd(s_[i]))
                ++i;
            if (i < n_ && s_[i] == c)
                ++i;
            expect_ = Expect::Nothing;
            previous_ = Word::None;
            continue;
        }
        if (c == ':' && first) {
            i = std::size_t(label(int(i)));
            continue;
        }
        if (isWordByte(c) && !(c >= '0' && c <= '9')) {
            std::size_t end = i + 1;
            while (end < n_ && isWordByte(s_[end]))
                ++end;
            // A word after "." is a member of an object ($obj.Next), not a keyword.
            if (i == 0 || s_[i - 1] != '.')
                word(int(i), int(end));
            else {
                expect_ = Expect::Nothing;
                previous_ = Word::None;
            }
            i = end;
            continue;
        }
        // Variables, macros, numbers and other words that are never keywords.
        if (c == '$' || c == '@' || c == '%' || (c >= '0' && c <= '9')) {
            expect_ = Expect::Nothing; // a computed Goto target is not checked
            previous_ = Word::None;
            ++i;
            while (i < n_ && (isWordByte(s_[i]) || s_[i] == '.'))
                ++i;
            // An object member of a variable ($obj.Next) is skipped with it.
            continue;
        }
        if (expect_ != Expect::FunctionName)
            expect_ = Expect::Nothing;
        previous_ = Word::None;
        ++i;
    }
    endLine();
    while (!stack_.empty()) {
        unclosed(stack_.back());
        stack_.pop_back();
    }
    for (const Jump& jump : jumps_) {
        if (!labelLines_.contains(jump.folded))
            problem(jump.line, jump.lineStart, jump.pos, jump.length,
                    QStringLiteral("%1 on line %2 names the label %3, which is not in the script.")
                        .arg(QLatin1String(jump.word))
                        .arg(jump.line + 1)
                        .arg(QString::fromUtf8(reinterpret_cast<const char*>(s_ + jump.pos), jump.length)));
    }
    std::stable_sort(out_.problems.begin(), out_.problems.end(),
                     [](const ScriptStructure::Problem& a, const ScriptStructure::Problem& b) { return a.pos < b.pos; });
}

} // namespace

const char* ScriptStructure::openingWord(BlockKind kind)
{
    switch (kind) {
    case BlockKind::If: return "If";
    case BlockKind::While: return "While";
    case BlockKind::Do: return "Do";
    case BlockKind::For: return "For";
    case BlockKind::ForEach: return "For Each";
    case BlockKind::Select: return "Select";
    case BlockKind::Function: return "Function";
    }
    return "";
}

const char* ScriptStructure::closingWord(BlockKind kind)
{
    switch (kind) {
    case BlockKind::If: return "EndIf";
    case BlockKind::While: return "Loop";
    case BlockKind::Do: return "Until";
    case BlockKind::For:
    case BlockKind::ForEach: return "Next";
    case BlockKind::Select: return "EndSelect";
    case BlockKind::Function: return "EndFunction";
    }
    return "";
}

ScriptStructure ScriptStructure::analyse(const char* text, std::size_t length)
{
    ScriptStructure result;
    Analyser(text, length, result).run();
    return result;
}
