// The structure check on any bytes: one fold level per line, every problem inside the text with a
// line and column that match its byte offset, every block closed after it opened, at most the
// problems kept of all counted; and the same result when the text comes in pieces split anywhere.

#include "FuzzCheck.h"

#include "document/check/ScriptStructure.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const ScriptStructure s = ScriptStructure::analyse(text, size);

    std::vector<std::size_t> lineStarts{0};
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n')
            ++i;
        if (text[i] == '\n' || text[i] == '\r')
            lineStarts.push_back(i + 1);
    }
    FUZZ_CHECK(s.foldLevels.size() == lineStarts.size());
    for (const auto& p : s.problems) {
        FUZZ_CHECK(p.pos >= 0 && p.length >= 1 && std::size_t(p.pos) <= size);
        FUZZ_CHECK(p.line >= 0 && std::size_t(p.line) < lineStarts.size());
        FUZZ_CHECK(lineStarts[std::size_t(p.line)] <= std::size_t(p.pos));
        FUZZ_CHECK(p.column <= p.pos - int(lineStarts[std::size_t(p.line)]));
        FUZZ_CHECK(!p.message.isEmpty());
    }
    for (const auto& b : s.blocks)
        FUZZ_CHECK(b.closeLine == -1 || b.closeLine >= b.openLine);
    FUZZ_CHECK(s.problems.size() <= ScriptStructure::MaxProblems && s.problems.size() <= s.problemCount);

    // Pieces whose lengths the input's own bytes choose (1 to 16 bytes), as a file read in blocks.
    ScriptStructure::Builder builder;
    for (std::size_t at = 0, k = 0; at < size; ++k) {
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + (data[k % size] & 15));
        builder.add(text + at, piece);
        at += piece;
    }
    const ScriptStructure pieces = builder.finish();
    FUZZ_CHECK(pieces.foldLevels == s.foldLevels && pieces.problemCount == s.problemCount);
    FUZZ_CHECK(pieces.problems.size() == s.problems.size() && pieces.blocks.size() == s.blocks.size());
    for (std::size_t i = 0; i < s.problems.size(); ++i)
        FUZZ_CHECK(pieces.problems[i].pos == s.problems[i].pos && pieces.problems[i].column == s.problems[i].column &&
                   pieces.problems[i].message == s.problems[i].message);
    return 0;
}
