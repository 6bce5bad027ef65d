#pragma once
// The fold levels a script's check has set in the control, against those of an analysis of its text.

#include "EditorText.h"
#include "document/check/ScriptStructure.h"

// The first line whose level in the control is not the analysis's (its depth capped as the control
// caps it), or -1.
inline int staleLevelLine(const CodeEditor& e, const ScriptStructure& s)
{
    using Sci = QsciScintillaBase;
    for (int line = 0; line < e.LineTotal(); ++line) {
        const int want = s.foldLevels.at(std::size_t(line));
        const int depth = std::min(Sci::SC_FOLDLEVELBASE + (want & ScriptStructure::FoldDepthMask), int(Sci::SC_FOLDLEVELNUMBERMASK));
        if ((sci(e, Sci::SCI_GETFOLDLEVEL, line) & (Sci::SC_FOLDLEVELNUMBERMASK | Sci::SC_FOLDLEVELHEADERFLAG)) != (depth | (want & ScriptStructure::FoldHeader)))
            return line;
    }
    return -1;
}
