// The structure check on any bytes: one fold level per line, every problem inside the text with a
// line and column that match its byte offset, every block closed after it opened.

#include "FuzzCheck.h"

#include "document/ScriptStructure.h"

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
    return 0;
}
