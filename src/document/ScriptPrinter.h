#pragma once
// Prints the text of an editing control, or its selection when the printer's range asks for it,
// page after page with the editor's colours on white.

class QPrinter;
class QsciScintillaBase;

class ScriptPrinter {
public:
    // False when the printer cannot be started or a new page cannot be begun.
    static bool print(QsciScintillaBase& editor, QPrinter& printer);
};
