#pragma once
// Prints the text of an editing control page after page with the editor's colours on white: all of
// it, exactly its selected text, or only the chosen pages, as the printer's range asks.

class QPrinter;
class QsciScintillaBase;

class ScriptPrinter {
public:
    // False when the printer cannot be started or a new page cannot be begun.
    static bool print(QsciScintillaBase& editor, QPrinter& printer);
};
