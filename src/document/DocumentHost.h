#pragma once
// What a script document window needs from the window that holds it: the shared state of the open
// documents, the script tabs, the menus to refresh and the save commands. The main window implements
// it; document windows and the tool windows that act on the document in front reach it only this way.

#include <QKeySequence>
#include <QList>
#include <QString>
#include <array>

class CodeEditor;
class EditMenuHost;
class QWidget;
class frmDocument;

// The slots of the open documents and the flags that the open, save and close paths exchange.
struct DocumentSet {
    static constexpr int MaxDocuments = 30;

    std::array<frmDocument*, MaxDocuments> Documents{};  // slot n at index n - 1
    std::array<bool, MaxDocuments> SlotUsed{};          // slot n at index n - 1
    std::array<bool, MaxDocuments + 1> Changed{};       // indexed by slot n itself
    std::array<QString, MaxDocuments> DocTitle;         // slot n at index n - 1
    int OpenCount = 0;
    int LastSlot = 0;
    bool SavingFromClose = false; // a save runs on behalf of a document's close prompt
    bool SuppressTabAdd = false;
    bool JustOpened = false;      // the next change notification is a file's load, not an edit
    bool AppClosing = false;      // the program is closing with changed documents
};

class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    virtual DocumentSet& documentSet() = 0;
    // The document in front (nullptr when none is open).
    virtual frmDocument* activeDocument() const = 0;
    // The editing control of the document in front, creating a document when none is open.
    virtual CodeEditor* activeEditor() = 0;
    // Brings a document to the front.
    virtual void activateDocument(frmDocument* document) = 0;
    // The parent for messages about documents.
    virtual QWidget* hostWindow() = 0;

    // Work done when a document has become the one in front: its tab is selected, the row of tabs
    // shown as the View menu says, the run commands and the frame's title follow it.
    virtual void documentActivated(frmDocument* document) = 0;
    // Removes the tab of the document in front.
    virtual void DestroyTab() = 0;

    // Recomputes which menu items and toolbar buttons are enabled.
    virtual void setMenu() = 0;
    // An edit can be undone now.
    virtual void enableUndoButton() = 0;
    // Keys the menus own: the editing control leaves them alone.
    virtual QList<QKeySequence> menuShortcuts() const = 0;
    // The Edit menu that serves as the script's right-click menu.
    virtual EditMenuHost* editMenu() = 0;

    // The Save and Save As commands on the document in front; true when the script was written.
    virtual bool mnuFileSave_Click() = 0;
    virtual bool mnuFileSaveAs_Click() = 0;
};
