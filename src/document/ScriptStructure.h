#pragma once
// The block structure of a KiXtart script and the mistakes in it, found in one pass over the
// script's UTF-8 bytes: blocks (If/Else/EndIf, While/Loop, Do/Until, For/Next, For Each/Next,
// Select/Case/EndSelect, Function/EndFunction), labels, Goto/Gosub targets, Function definitions,
// strings left open at the end of their line. Names compare without letter case. Open blocks are
// kept on an explicit stack, so any nesting depth is safe. Pure logic, no widgets.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

class ScriptStructure {
public:
    enum class BlockKind : std::uint8_t { If, While, Do, For, ForEach, Select, Function };

    struct Block {
        BlockKind kind;
        int openLine;  // zero-based
        int closeLine; // -1: never closed
    };
    struct Symbol {
        QByteArray name;       // as written
        int line;              // zero-based
        int pos;               // byte offset of the name
        QByteArray parameters; // Functions: the text between the parentheses, trimmed
    };
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

    static ScriptStructure analyse(const char* text, std::size_t length);
    static ScriptStructure analyse(const QByteArray& text) { return analyse(text.constData(), std::size_t(text.size())); }

    static const char* openingWord(BlockKind kind);
    static const char* closingWord(BlockKind kind);

    std::vector<Block> blocks;     // in the order they open
    std::vector<Symbol> functions; // in script order
    std::vector<Symbol> labels;    // in script order, names without the ":"
    std::vector<Problem> problems; // in script order
    std::vector<int> foldLevels;   // one per line
};
