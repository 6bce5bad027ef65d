#pragma once
// What the variable list needs of the main window: the active script's control. The main window
// implements it; asking may create a document when none is open.

class CodeEditor;

class VarListHost {
public:
    virtual CodeEditor* VarListEditor() = 0;

protected:
    ~VarListHost() = default;
};
