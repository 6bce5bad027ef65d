#include "document/check/ScriptStructure.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

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

void foldInPlace(QByteArray& name)
{
    for (char& c : name)
        c = char(lower(static_cast<unsigned char>(c)));
}

QByteArray foldName(const char* s, std::size_t n)
{
    QByteArray out(s, qsizetype(n));
    foldInPlace(out);
    return out;
}

// Bit set of the block kinds a closing word ends.
constexpr unsigned bit(Kind k) { return 1u << unsigned(k); }

struct OpenBlock {
    Kind kind;
    int line;
    int pos;
    int length;
    int column;
    std::size_t index; // into blocks
};

constexpr int kKinds = int(Kind::Function) + 1;

// What a problem says, kept in a few numbers until it is known to be among the first.
enum class Says : std::uint8_t { Unclosed, NoMatch, NotInside, OpenString, DefinedTwice, MissingLabel };

struct Record {
    int pos;
    int length;
    int line;
    int column;
    std::uint64_t order; // ties at one position keep the order they were found in
    Says says;
    const char* word;    // the words of the sentence, by kind of problem
    const char* other;
    int otherLine;
    QByteArray name;     // a label's or Function's name as written

    bool before(const Record& r) const { return pos != r.pos ? pos < r.pos : order < r.order; }
};

} // namespace

class ScriptStructure::Builder::Analyser {
public:
    // Analyses the next complete lines (the last piece may end without a line break).
    void lines(const char* text, std::size_t length);
    ScriptStructure finish();

private:
    // A Goto or Gosub target, checked against the labels once the whole script is read. Its text
    // (as written, quotes included) lives in jumpText_: a script can hold tens of thousands.
    struct Jump {
        std::size_t text;
        const char* word;
        int line;
        int pos;
        int length;
        int column;
        int nameFrom; // the label's name within the text
        int nameLength;
    };

    int at(std::size_t i) const { return int(base_ + i); }
    // The column (in characters) of a position on the current line; positions on a line are asked
    // for mostly in increasing order, so counting goes on from the previous answer.
    int column(std::size_t i)
    {
        if (columnLine_ != line_ || i < columnFrom_) {
            columnLine_ = line_;
            columnFrom_ = lineStart_;
            columnChars_ = 0;
        }
        for (; columnFrom_ < i; ++columnFrom_)
            columnChars_ += (s_[columnFrom_] & 0xC0) != 0x80;
        return columnChars_;
    }
    // Whether a problem at pos could still be among the first MaxProblems.
    bool wanted(int pos) const { return kept_.size() < MaxProblems || pos < kept_.front().pos; }
    void record(Record r)
    {
        ++out_.problemCount;
        if (!wanted(r.pos))
            return;
        r.order = order_++;
        const auto later = [](const Record& a, const Record& b) { return a.before(b); };
        kept_.push_back(std::move(r));
        std::push_heap(kept_.begin(), kept_.end(), later);
        if (kept_.size() > MaxProblems) {
            std::pop_heap(kept_.begin(), kept_.end(), later);
            kept_.pop_back();
        }
    }
    void problem(std::size_t i, int length, Says says, const char* word = "", const char* other = "",
                 int otherLine = 0, QByteArray name = {})
    {
        if (wanted(at(i)))
            record({at(i), std::max(length, 1), line_, column(i), 0, says, word, other, otherLine, std::move(name)});
        else
            ++out_.problemCount;
    }
    void unclosed(const OpenBlock& b)
    {
        if (wanted(b.pos))
            record({b.pos, b.length, b.line, b.column, 0, Says::Unclosed, ScriptStructure::openingWord(b.kind),
                    ScriptStructure::closingWord(b.kind), 0, {}});
        else
            ++out_.problemCount;
    }
    // Index in the stack of the innermost open block of one of the kinds; -1 when there is none.
    long findOpen(unsigned kinds) const
    {
        long found = -1;
        for (int k = 0; k < kKinds; ++k)
            if ((kinds & bit(Kind(k))) && !openOf_[std::size_t(k)].empty())
                found = std::max(found, long(openOf_[std::size_t(k)].back()));
        return found;
    }
    void pop()
    {
        openOf_[std::size_t(stack_.back().kind)].pop_back();
        stack_.pop_back();
        noteDepth();
    }
    // Reports and drops the blocks above index keep.
    void dropAbove(long keep)
    {
        while (long(stack_.size()) - 1 > keep) {
            unclosed(stack_.back());
            pop();
        }
    }
    void noteDepth() { minDepth_ = std::min(minDepth_, int(stack_.size())); }
    void open(Kind kind, std::size_t i, int length)
    {
        openOf_[std::size_t(kind)].push_back(std::uint32_t(stack_.size()));
        stack_.push_back({kind, line_, at(i), length, column(i), out_.blocks.size()});
        out_.blocks.push_back({kind, line_, -1});
    }
    void close(unsigned kinds, const char* closer, const char* opener, std::size_t i, int length);
    void middle(Kind kind, const char* word, const char* outside, std::size_t i, int length);
    void endLine();
    void word(std::size_t start, std::size_t end);
    void string(std::size_t quote);
    std::size_t label(std::size_t colon);
    // Remembers the first line of a name (plus one); a second definition is a problem.
    void define(QHash<QByteArray, int>& firstLines, const char* kind, std::size_t start, std::size_t length,
                int markLength);
    void captureFunction(std::size_t nameStart, std::size_t nameEnd);
    void addJump(std::size_t start, std::size_t end, std::size_t markStart, std::size_t markEnd);
    std::size_t lineEnd(std::size_t from) const
    {
        std::size_t i = from;
        while (i < n_ && !isLineEnd(s_[i]))
            ++i;
        return i;
    }

    enum class Expect { Nothing, ForEach, JumpTarget, FunctionName };

    ScriptStructure out_;
    const unsigned char* s_ = nullptr;
    std::size_t n_ = 0;
    std::size_t base_ = 0; // offset of s_[0] in the script
    std::size_t next_ = 0; // offset of the next piece
    std::vector<OpenBlock> stack_;
    std::array<std::vector<std::uint32_t>, kKinds> openOf_; // stack indices of the open blocks by kind
    std::vector<Jump> jumps_;
    std::string jumpText_;
    QHash<QByteArray, int> labelLines_;
    QHash<QByteArray, int> functionLines_;
    std::vector<Record> kept_; // a heap: the last of the kept problems on top
    std::uint64_t order_ = 0;
    int line_ = 0;
    std::size_t lineStart_ = 0; // in the current piece
    int columnLine_ = -1;
    std::size_t columnFrom_ = 0;
    int columnChars_ = 0;
    bool lineHasToken_ = false;
    int minDepth_ = 0;
    Expect expect_ = Expect::Nothing;
    const char* jumpWord_ = "";
    Word previous_ = Word::None;
};

void ScriptStructure::Builder::Analyser::close(unsigned kinds, const char* closer, const char* opener, std::size_t i,
                                               int length)
{
    const long found = findOpen(kinds);
    if (found < 0) {
        problem(i, length, Says::NoMatch, closer, opener);
        return;
    }
    dropAbove(found);
    out_.blocks[stack_.back().index].closeLine = line_;
    pop();
}

void ScriptStructure::Builder::Analyser::middle(Kind kind, const char* word, const char* outside, std::size_t i,
                                                int length)
{
    const long found = findOpen(bit(kind));
    if (found < 0) {
        problem(i, length, Says::NotInside, word, outside);
        return;
    }
    dropAbove(found);
}

void ScriptStructure::Builder::Analyser::endLine()
{
    const int depth = int(stack_.size());
    const int level = std::min(minDepth_, int(ScriptStructure::FoldDepthMask));
    out_.foldLevels.push_back(std::uint16_t(level | (depth > minDepth_ ? ScriptStructure::FoldHeader : 0)));
    minDepth_ = depth;
    lineHasToken_ = false;
    expect_ = Expect::Nothing;
    previous_ = Word::None;
}

void ScriptStructure::Builder::Analyser::addJump(std::size_t start, std::size_t end, std::size_t markStart,
                                                 std::size_t markEnd)
{
    jumps_.push_back({jumpText_.size(), jumpWord_, line_, at(markStart), int(markEnd - markStart), column(markStart),
                      int(start - markStart), int(end - start)});
    jumpText_.append(reinterpret_cast<const char*>(s_ + markStart), markEnd - markStart);
}

void ScriptStructure::Builder::Analyser::string(std::size_t quote)
{
    const unsigned char q = s_[quote];
    std::size_t i = quote + 1;
    while (i < n_ && s_[i] != q && !isLineEnd(s_[i]))
        ++i;
    if (i >= n_ || s_[i] != q) {
        problem(quote, int(i - quote), Says::OpenString);
        return;
    }
    if (expect_ == Expect::JumpTarget) {
        std::size_t from = quote + 1;
        if (from < i && s_[from] == ':')
            ++from; // a target written with its colon
        if (from < i && s_[from] != '$' && s_[from] != '@' && s_[from] != '%')
            addJump(from, i, quote, i + 1);
    }
}

void ScriptStructure::Builder::Analyser::define(QHash<QByteArray, int>& firstLines, const char* kind,
                                                std::size_t start, std::size_t length, int markLength)
{
    const char* name = reinterpret_cast<const char*>(s_ + start);
    // One lookup that inserts (a script can define a name every few lines): the map holds the first
    // line plus one, so a new entry's 0 tells it apart.
    int& firstPlusOne = firstLines[foldName(name, length)];
    if (firstPlusOne == 0) {
        firstPlusOne = line_ + 1;
        return;
    }
    const std::size_t mark = start + length - std::size_t(markLength);
    problem(mark, markLength, Says::DefinedTwice, kind, "", firstPlusOne - 1, QByteArray(name, qsizetype(length)));
}

std::size_t ScriptStructure::Builder::Analyser::label(std::size_t colon)
{
    std::size_t end = colon + 1;
    while (end < n_ && !isSpace(s_[end]) && !isLineEnd(s_[end]) && s_[end] != ';')
        ++end;
    if (end == colon + 1)
        return end;
    const std::size_t length = end - colon - 1;
    define(labelLines_, "Label :", colon + 1, length, int(end - colon));
    out_.labels.push_back({line_, at(colon + 1), out_.symbolText.size(), int(length)});
    out_.symbolText.append(reinterpret_cast<const char*>(s_ + colon + 1), qsizetype(length));
    return end;
}

void ScriptStructure::Builder::Analyser::captureFunction(std::size_t nameStart, std::size_t nameEnd)
{
    const std::size_t length = nameEnd - nameStart;
    // Parameters: between "(" right after the name and the ")" of the same line.
    QByteArrayView parameters;
    std::size_t i = nameEnd;
    while (i < n_ && isSpace(s_[i]))
        ++i;
    if (i < n_ && s_[i] == '(') {
        const std::size_t from = i + 1;
        std::size_t j = from;
        while (j < n_ && s_[j] != ')' && !isLineEnd(s_[j]))
            ++j;
        parameters = QByteArrayView(s_ + from, qsizetype(j - from)).trimmed();
    }
    define(functionLines_, "Function ", nameStart, length, int(length));
    out_.functions.push_back({line_, at(nameStart), out_.symbolText.size(), int(length), int(parameters.size())});
    out_.symbolText.append(reinterpret_cast<const char*>(s_ + nameStart), qsizetype(length));
    out_.symbolText.append(parameters);
}

void ScriptStructure::Builder::Analyser::word(std::size_t start, std::size_t end)
{
    const Expect expected = expect_;
    expect_ = Expect::Nothing;
    const Word w = classify(s_ + start, end - start);
    const Word before = previous_;
    previous_ = w;
    const int length = int(end - start);
    switch (expected) {
    case Expect::ForEach:
        if (w == Word::Each) {
            OpenBlock& b = stack_.back();
            openOf_[std::size_t(Kind::For)].pop_back();
            openOf_[std::size_t(Kind::ForEach)].push_back(std::uint32_t(stack_.size() - 1));
            out_.blocks[b.index].kind = Kind::ForEach;
            b.kind = Kind::ForEach;
            return;
        }
        break;
    case Expect::JumpTarget:
        addJump(start, end, start, end);
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

void ScriptStructure::Builder::Analyser::lines(const char* text, std::size_t length)
{
    s_ = reinterpret_cast<const unsigned char*>(text);
    n_ = length;
    base_ = next_;
    next_ += length;
    lineStart_ = 0;
    columnLine_ = -1;
    std::size_t i = 0;
    while (i < n_) {
        const unsigned char c = s_[i];
        if (c == '\n' || c == '\r') {
            i += (c == '\r' && i + 1 < n_ && s_[i + 1] == '\n') ? 2 : 1;
            endLine();
            ++line_;
            lineStart_ = i;
            continue;
        }
        if (isSpace(c)) {
            ++i;
            continue;
        }
        const bool first = !lineHasToken_;
        lineHasToken_ = true;
        if (c == ';') {
            i = lineEnd(i);
            continue;
        }
        if (c == '"' || c == '\'') {
            string(i);
            ++i;
            while (i < n_ && s_[i] != c && !isLineEnd(s_[i]))
                ++i;
            if (i < n_ && s_[i] == c)
                ++i;
            expect_ = Expect::Nothing;
            previous_ = Word::None;
            continue;
        }
        if (c == ':' && first) {
            i = label(i);
            continue;
        }
        if (isWordByte(c) && !(c >= '0' && c <= '9')) {
            std::size_t end = i + 1;
            while (end < n_ && isWordByte(s_[end]))
                ++end;
            // A word after "." is a member of an object ($obj.Next), not a keyword. A piece starts
            // at a line start, so the byte before is in this piece.
            if (i == 0 || s_[i - 1] != '.')
                word(i, end);
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
}

ScriptStructure ScriptStructure::Builder::Analyser::finish()
{
    endLine();
    while (!stack_.empty()) {
        unclosed(stack_.back());
        pop();
    }
    QByteArray folded;
    for (const Jump& jump : jumps_) {
        const char* written = jumpText_.data() + jump.text;
        // Into one buffer, which keeps its room from one name to the next.
        folded.resize(jump.nameLength);
        std::memcpy(folded.data(), written + jump.nameFrom, std::size_t(jump.nameLength));
        foldInPlace(folded);
        if (labelLines_.contains(folded))
            continue;
        if (wanted(jump.pos))
            record({jump.pos, jump.length, jump.line, jump.column, 0, Says::MissingLabel, jump.word, "", 0,
                    QByteArray(written, jump.length)});
        else
            ++out_.problemCount;
    }
    std::sort(kept_.begin(), kept_.end(), [](const Record& a, const Record& b) { return a.before(b); });
    out_.problems.reserve(kept_.size());
    for (const Record& r : kept_) {
        QString message;
        switch (r.says) {
        case Says::Unclosed:
            message = QStringLiteral("%1 on line %2 has no %3.").arg(QLatin1String(r.word)).arg(r.line + 1).arg(QLatin1String(r.other));
            break;
        case Says::NoMatch:
            message = QStringLiteral("%1 on line %2 has no matching %3.")
                          .arg(QLatin1String(r.word)).arg(r.line + 1).arg(QLatin1String(r.other));
            break;
        case Says::NotInside:
            message = QStringLiteral("%1 on line %2 is not inside %3.")
                          .arg(QLatin1String(r.word)).arg(r.line + 1).arg(QLatin1String(r.other));
            break;
        case Says::OpenString:
            message = QStringLiteral("String on line %1 is not closed.").arg(r.line + 1);
            break;
        case Says::DefinedTwice:
            message = QStringLiteral("%1%2 on line %3 is already defined on line %4.")
                          .arg(QLatin1String(r.word), QString::fromUtf8(r.name))
                          .arg(r.line + 1)
                          .arg(r.otherLine + 1);
            break;
        case Says::MissingLabel:
            message = QStringLiteral("%1 on line %2 names the label %3, which is not in the script.")
                          .arg(QLatin1String(r.word))
                          .arg(r.line + 1)
                          .arg(QString::fromUtf8(r.name));
            break;
        }
        out_.problems.push_back({r.line, r.column, r.pos, r.length, std::move(message)});
    }
    return std::move(out_);
}

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
    Builder builder;
    builder.add(text, length);
    return builder.finish();
}

ScriptStructure::Builder::Builder() : analyser_(std::make_unique<Analyser>()) {}

ScriptStructure::Builder::~Builder() = default;

void ScriptStructure::Builder::add(const char* text, std::size_t length)
{
    // Only whole lines go to the analyser. A "\r" at the end may be the first half of "\r\n".
    std::size_t cut = length;
    if (cut > 0 && text[cut - 1] == '\r')
        --cut;
    while (cut > 0 && !isLineEnd(static_cast<unsigned char>(text[cut - 1])))
        --cut;
    if (cut == 0) {
        pending_.append(text, qsizetype(length));
        return;
    }
    std::size_t from = 0;
    if (!pending_.isEmpty()) {
        // The line begun earlier, up to its end here.
        while (!isLineEnd(static_cast<unsigned char>(text[from])))
            ++from;
        from += (text[from] == '\r' && from + 1 < cut && text[from + 1] == '\n') ? 2 : 1;
        pending_.append(text, qsizetype(from));
        analyser_->lines(pending_.constData(), std::size_t(pending_.size()));
        pending_.clear();
    }
    analyser_->lines(text + from, cut - from);
    pending_.append(text + cut, qsizetype(length - cut));
}

ScriptStructure ScriptStructure::Builder::finish()
{
    analyser_->lines(pending_.constData(), std::size_t(pending_.size()));
    pending_ = QByteArray();
    ScriptStructure result = analyser_->finish();
    // Vectors grown an item at a time hold up to twice their items; the names are kept as long as
    // their script is open (the blocks and levels are not).
    result.functions.shrink_to_fit();
    result.labels.shrink_to_fit();
    result.symbolText.squeeze();
    // What the analysis kept on the way (names, open blocks) goes now, on the thread that finished.
    analyser_ = std::make_unique<Analyser>();
    return result;
}

