#pragma once
// The block structure of a KiXtart script and the mistakes in it, found in one pass over the
// script's UTF-8 bytes: blocks (If/Else/EndIf, While/Loop, Do/Until, For/Next, For Each/Next,
// Select/Case/EndSelect, Function/EndFunction), labels, Goto/Gosub targets, Function definitions,
// strings left open at the end of their line. Names compare without letter case. Open blocks are
// kept on an explicit stack, so any nesting depth is safe. The time taken grows with the length of
// the text alone, whatever it holds; only the first problems are kept (and all are counted). Pure
// logic, no widgets.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ScriptStructure {
public:
    enum class BlockKind : std::uint8_t { If, While, Do, For, ForEach, Select, Function };

    struct Block {
        BlockKind kind;
        int openLine;  // zero-based
        int closeLine; // -1: never closed
    };
    // A label or Function; its texts are in symbolText (one buffer for all: a script can define
    // tens of thousands, and a string each would cost more than the names).
    struct Symbol {
        int line;                 // zero-based
        int pos;                  // byte offset of the name
        qsizetype text;           // where the name, then the parameters, start in symbolText
        int nameLength;
        int parametersLength = 0;
    };
    // The name as written.
    QByteArrayView name(const Symbol& s) const { return {symbolText.constData() + s.text, s.nameLength}; }
    // Functions: the text between the parentheses, trimmed.
    QByteArrayView parameters(const Symbol& s) const
    {
        return {symbolText.constData() + s.text + s.nameLength, s.parametersLength};
    }
    struct Problem {
        int line;   // zero-based
        int column; // zero-based, in characters
        int pos;    // byte offset of the words concerned
        int length; // in bytes, at least 1
        QString message;
    };

    // Fold levels: the block depth of a line (the lowest it reaches on that line), plus
    // FoldHeader when the line opens a block that goes on past it.
    static constexpr int FoldHeader = 0x2000;
    static constexpr int FoldDepthMask = 0x0FFF;

    // Problems kept, the first ones in the script; problemCount counts them all.
    static constexpr std::size_t MaxProblems = 1000;

    static ScriptStructure analyse(const char* text, std::size_t length);
    static ScriptStructure analyse(const QByteArray& text) { return analyse(text.constData(), std::size_t(text.size())); }

    // The same check on a text handed over in pieces, as a file is read: add() takes the next bytes
    // (any split, even inside a line break), finish() gives the result of all of them and starts
    // afresh.
    class Builder {
    public:
        Builder();
        ~Builder();
        Builder(const Builder&) = delete;
        Builder& operator=(const Builder&) = delete;
        void add(const char* text, std::size_t length);
        ScriptStructure finish();

    private:
        class Analyser;
        std::unique_ptr<Analyser> analyser_;
        QByteArray pending_; // the start of a line whose end has not come yet
    };

    static const char* openingWord(BlockKind kind);
    static const char* closingWord(BlockKind kind);

    std::vector<Block> blocks;     // in the order they open
    std::vector<Symbol> functions; // in script order
    std::vector<Symbol> labels;    // in script order, names without the ":"
    QByteArray symbolText;
    std::vector<Problem> problems; // in script order, at most MaxProblems
    std::size_t problemCount = 0;  // all the problems found
    std::vector<std::uint16_t> foldLevels; // one per line (two bytes: a large script has many)
};
