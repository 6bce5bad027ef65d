#pragma once
// The editing control of a script document: our layer over QsciScintilla with the operations the
// rest of the editor uses (ranges, positions, numbered commands, element colours, file load/save).
// Lines and columns are zero-based; columns count characters, not bytes.

#include <Qsci/qsciscintilla.h>

#include <QString>
#include <QStringList>
#include <memory>

class QPrinter;
class CodeList;
class CodeTip;
class FindReplaceDialog;

struct Position {
    int Line = 0;
    int Column = 0;
};

struct Range {
    int StartLine = 0;
    int StartColumn = 0;
    int EndLine = 0;
    int EndColumn = 0;
};

// Outcome of LoadFromFile / SaveToFile. PathInaccessible: the drive or folder cannot be reached
// (missing, not a folder, no media); Other: anything else, with the system's reason in message.
struct FileError {
    enum Kind { None, PathInaccessible, Other };
    Kind kind = None;
    QString message;
    bool ok() const { return kind == None; }
};

// Receiver of the events that answer the control (code list, code tip, key press, mouse down).
// The document window implements it; the defaults answer as "nothing to do".
class CodeEditorEvents {
public:
    virtual ~CodeEditorEvents() = default;
    virtual bool KeyPress(int /*charCode*/) { return false; }
    virtual bool MouseDown(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) { return false; }
    virtual bool CodeListOpen(CodeList&) { return false; }
    virtual bool CodeListMatch(CodeList&, int /*item*/) { return true; }
    virtual bool CodeListSelect(CodeList&) { return false; }
    virtual bool CodeListCancel(CodeList&) { return false; }
    virtual int CodeTipOpen() { return 0; }
    virtual int CodeTipUpdate(CodeTip&) { return 0; }
    virtual bool CodeTipCancel(CodeTip&) { return false; }
};

class CodeEditor : public QsciScintilla {
    Q_OBJECT
public:
    // Numbers accepted by RunCommand.
    enum Command {
        CmdOutdent = 127,
        CmdSelectAll = 137,
        CmdIndent = 163,
        CmdGoToLine = 168,
        CmdFindReplace = 169,
        CmdFindNext = 176,
        CmdFind = 178,
        CmdCodeList = 242,
        CmdCodeTip = 243,
    };

    explicit CodeEditor(QWidget* parent = nullptr);
    ~CodeEditor() override;

    void setEventHandler(CodeEditorEvents* handler); // not owned; nullptr = none

    // Display switches and settings.
    void SetShowWhitespace(bool on);
    bool ShowWhitespace() const;
    void SetShowLineNumbers(bool on);
    bool ShowLineNumbers() const;
    void SetLanguageName(const QString& name); // selects a registered language; unknown = plain text
    QString LanguageName() const;
    void SetTabWidth(int columns);
    int TabWidth() const;
    void SetAutoIndentMode(int mode); // 0 none, 1 like the previous line and by scope, 2 like the previous line
    int AutoIndentMode() const;
    void SetElementColor(int colorNumber, quint32 bgr); // colour 0x00BBGGRR
    void SetElementFontStyle(int styleNumber, int fontStyle);
    quint32 ElementColor(int colorNumber) const;
    int ElementFontStyle(int styleNumber) const;
    void SetEditorFont(const QString& name, int pointSize);
    void SetRightMargin(double twips);
    double RightMargin() const;

    // Text and state.
    bool Modified() const;
    int LineTotal() const;
    int TextLength() const; // characters
    QString Text() const;
    QString LineText(int line) const; // without its line break
    QString CaretWord() const;
    int CaretWordLength() const;
    QString WordAtPosition(const Position& position) const;
    int TokenAtCaret() const; // syntax::TokenClass
    int SelLength() const;    // characters
    void SetSearchText(const QString& text);
    QString SearchText() const;
    int HighlightedLine() const;
    void SetHighlightedLine(int line); // −1 = none

    // Selection and positions.
    Range GetSelectionRange(bool normalized = true) const;
    void SetSelectionRange(const Range& range, bool makeVisible = true);
    Position PositionFromPoint(int x, int y) const; // widget (viewport) pixel coordinates

    // Editing.
    void InsertTextAt(const QString& text, const Position& position);
    void RemoveLine(int line);
    void InsertLineAt(int line, const QString& text);
    void ReplaceSelectionText(const QString& text);
    void RunCommand(int command, int argument = -1);
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();

    // Files: every byte the user did not edit survives a load and save.
    FileError LoadFromFile(const QString& path);
    FileError SaveToFile(const QString& path, bool unused = false);

    bool PrintText(QPrinter& printer, int flags = 13);

signals:
    void Change();
    void SelChange();
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);

private:
    CodeEditorEvents* events_ = nullptr;
};
