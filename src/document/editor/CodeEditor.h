#pragma once
// The editing control of a script document: our layer over QsciScintilla with the operations the
// rest of the editor uses (ranges, positions, numbered commands, element colours, file load/save).
// Lines and columns are zero-based; columns count characters, not bytes.

#include "document/files/FileError.h"
#include "document/files/ScriptFile.h"
#include "document/language/SyntaxElements.h"

#include <Qsci/qsciscintilla.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QPrinter;
class CodeList;
class CodeTip;
class FindReplaceDialog;
class EditorSearch;
class ElementStyles;
class CodeAssist;
class ScopeIndenter;
class ScriptChecker;

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

// Receiver of the events that answer the control (code list, code tip, key press, mouse down).
// The document window implements it; the defaults answer as "nothing to do".
//  KeyPress: raised for each typed character (also Enter 13, Tab 9, Backspace 8, Escape 27) before
//    it goes into the text, so the caret and CaretWord still show the text as it was; true swallows
//    the character. A code list or tip opened from here (RunCommand 242/243) appears once the
//    character is in.
//  MouseDown: on each mouse press, before the control handles it; true swallows the press. Button
//    1 left, 2 right, 4 middle; shift bits 1 Shift, 2 Ctrl, 4 Alt; x, y in viewport pixels (as
//    PositionFromPoint takes them). With a handler the control shows no context menu of its own.
//  CodeListOpen: the list is shown when the answer is true. CodeListMatch: raised when the typed
//    text matches an item (the answer is not used). CodeListSelect: raised when the user chooses
//    an item (SelectedIndex is the choice); answering true makes the control put the item in place
//    of the word typed since the list opened, false leaves the text to the handler.
//  CodeListCancel / CodeTipCancel: the list or tip closed without a choice (Escape, moving away,
//    or Close() from the program).
//  CodeTipOpen: a non-zero answer opens a tip; CodeTipUpdate then fills it (TipText empty = new)
//    and is raised again after each change of text or caret while it stays open.
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
    // Gives up the control's own key bindings for these keys, so that the window's shortcuts
    // (menu commands) receive them while the control has the focus.
    void ReleaseKeys(const QList<QKeySequence>& keys);

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
    void SetRightMargin(double twips); // edge line at this width from the text's left side
    double RightMargin() const;

    // Text and state.
    bool Modified() const;
    int LineTotal() const;
    int TextLength() const; // characters: counts the whole text
    bool HasText() const;   // constant time
    QString Text() const;
    QString LineText(int line) const; // without its line break
    QString CaretWord() const;
    int CaretWordLength() const;
    // Words are runs of letters, digits, "_" and "$" (variables keep their "$"; "@" is not part of
    // a word, so a macro's word is its name). A character before the column that is not a word
    // character is answered on its own (":" at column 1 of a label line, "(", " ").
    QString WordAtPosition(const Position& position) const;
    int TokenAtCaret() const; // syntax::TokenClass
    int SelLength() const;    // characters
    void SetSearchText(const QString& text);
    // The same as plain text with letter case as written, whatever Find last used; the find window
    // then opens with this text rather than the selection.
    void SetExactSearchText(const QString& text);
    QString SearchText() const;
    int HighlightedLine() const;
    void SetHighlightedLine(int line); // −1 = none

    // Selection and positions.
    Range GetSelectionRange(bool normalized = true) const;
    void SetSelectionRange(const Range& range, bool makeVisible = true);
    Position PositionFromPoint(int x, int y) const; // widget (viewport) pixel coordinates

    // Editing.
    void InsertTextAt(const QString& text, const Position& position);
    // RemoveLine and InsertLineAt keep the selection at the same line and column numbers, so a
    // selection moved beforehand by the number of lines added stays on the same text.
    void RemoveLine(int line);                       // the line and its break (the last line: the break before it)
    void InsertLineAt(int line, const QString& text); // text + line break before line; LineTotal() appends
    // Leaves an empty selection at the start of the inserted text.
    void ReplaceSelectionText(const QString& text);
    // Rewrites the UTF-8 text of lines first..last (line breaks excluded and kept as they are)
    // through `edit`, as one change and one undo step however many lines change; the highlighted
    // line stays highlighted. The selection is left to the caller. Returns whether text changed.
    bool EditLines(int first, int last, const std::function<QByteArray(const QByteArray&)>& edit);
    // Puts lines in place of lines firstLine..lastLine (each without its line break; the breaks
    // between them are the document's) as one edit and one undo step, whatever the number of
    // lines. The selection keeps its line and column numbers where they still exist.
    void ReplaceLines(int firstLine, int lastLine, const QStringList& lines);
    void RunCommand(int command, int argument = -1);
    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();

    // Files: every byte the user did not edit survives a load and save. A failed load leaves the
    // text as it was; a failed save leaves the file on disk as it was.
    FileError LoadFromFile(const QString& path);
    // Refuses text that would not reopen as it is in the file's encoding (see encodingQuestion).
    FileError SaveToFile(const QString& path, bool unused = false);
    const ScriptFile& fileFormat() const { return file_; }
    // What to ask before a save that would lose characters or reopen as other text; empty text when
    // the text saves as it is. setFileEncoding carries out the user's choice.
    ScriptFile::SaveQuestion encodingQuestion() const;
    void setFileEncoding(ScriptFile::Encoding encoding) { file_.setEncoding(encoding); }
    // The whole text as UTF-8 bytes (one copy).
    QByteArray utf8Text() const;
    // Puts back text kept for recovery: the file's format as it was, the text modified and not undoable
    // past this point.
    void restoreText(const QByteArray& utf8, const ScriptFile& format);

    bool PrintText(QPrinter& printer, int flags = 13);

signals:
    void Change();
    void SelChange();
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);

public:
    // The control's own find / find-and-replace window (nullptr until first used), the list and tip
    // shown now (nullptr when none).
    FindReplaceDialog* findReplaceDialog() const;
    CodeList* openCodeList() const;
    CodeTip* openCodeTip() const;
    // The live structure check, folding and symbol list of this control.
    ScriptChecker& checker() const { return *checker_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class CodeAssist;
    long sci(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;
    int bytePosition(int line, int column) const;
    Position positionAt(int bytePos) const;
    QByteArray bytesBetween(int from, int to) const;
    int caretPos() const;
    QString wordBefore(int bytePos) const;
    const char* lineBreak() const;
    void applyStyles();
    void updateLineNumberMargin(bool force = false);
    void updateRightMargin();
    void updateLineAscent();
    void goToLine(int line);
    void indentSelectedLines(bool outdent, bool keepEmptyLines = false);
    void indentByKey(bool outdent);
    void replaceBytes(long from, long to, const QByteArray& bytes);
    bool isTypedCharacter(char32_t code, Qt::KeyboardModifiers modifiers) const;
    void onModified(int position, int type, const char* text, int length, int added, int line,
                    int foldNow, int foldPrev, int token, int annotationLines);
    void onCharAdded(int ch);
    void onUpdateUi(int updated);
    void selectionMoved();

    CodeEditorEvents* events_ = nullptr;
    ScriptFile file_;
    QsciLexer* lexer_ = nullptr;
    QString languageName_;
    bool showWhitespace_ = false;
    bool showLineNumbers_ = false;
    int lineNumberDigits_ = 0;
    int tabWidth_ = 4;
    double rightMargin_ = 0;
    int highlightHandle_ = -1;
    void clearHighlight(); // the marked line belonged to the old text
    long reportedAnchor_ = 0;
    long reportedCaret_ = 0;
    bool loading_ = false;
    int inKeyPress_ = 0;
    std::unique_ptr<ElementStyles> styles_;
    std::unique_ptr<EditorSearch> search_;
    std::unique_ptr<CodeAssist> assist_;
    std::unique_ptr<ScopeIndenter> indenter_;
    std::unique_ptr<ScriptChecker> checker_;
};
