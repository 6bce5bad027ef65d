#pragma once
// What the wizards need of the main window: the editing control of the active script.

class CodeEditor;

class WizardHost {
public:
    virtual ~WizardHost() = default;
    // The active document's control; when no document is open, a new untitled one is made and its
    // control returned. nullptr only when no document can be had.
    virtual CodeEditor* WizardEditor() = 0;
};
