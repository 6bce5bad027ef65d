#include "document/editor/CodeEditor.h"

#include "document/editor/CodeAssist.h"
#include "document/editor/CodeList.h"
#include "document/editor/CodeTip.h"
#include "document/editor/EditorSearch.h"
#include "document/editor/ElementStyles.h"
#include "document/language/LanguageRegistry.h"
#include "document/editor/ScopeIndenter.h"
#include "document/check/ScriptChecker.h"
#include "document/language/ScriptScan.h"
#include "platform/DialogService.h"

#include <Qsci/qscilexer.h>

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr int kHighlightMarker = 20;
constexpr unsigned long kHighlightBack = 0x99FFFF; // pale yellow, 0x00BBGGRR

// Number of characters (code points) in UTF-8 bytes.
qsizetype countCharacters(const char* p, qsizetype n)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < n; ++i)
        count += (static_cast<unsigned char>(p[i]) & 0xC0) != 0x80;
    return count;
}

} // namespace

CodeEditor::CodeEditor(QWidget* parent) : QsciScintilla(parent)
{
    setUtf8(true);
    setEolMode(EolWindows);
    setTabWidth(tabWidth_);
    setIndentationWidth(0);
    setIndentationsUseTabs(true);
    setAutoIndent(false);
    setCallTipsStyle(CallTipsNone);
    setAutoCompletionSource(AcsNone);
    setMarginLineNumbers(0, true);
    setMarginWidth(0, 0);
    setMarginWidth(1, 0);
    setMarginWidth(2, 0);
    // The horizontal scroll range follows the longest line rather than a fixed 2000 pixels.
    sci(SCI_SETSCROLLWIDTH, 1);
    sci(SCI_SETSCROLLWIDTHTRACKING, 1);
    // The layouts of the lines in view are kept, not only the caret line's: a view holding a line of
    // megabytes is not laid out again at every paint.
    sci(SCI_SETLAYOUTCACHE, SC_CACHE_PAGE);
    styles_ = std::make_unique<ElementStyles>();
    search_ = std::make_unique<EditorSearch>(*this);
    assist_ = std::make_unique<CodeAssist>(*this);
    indenter_ = std::make_unique<ScopeIndenter>(*this);
    checker_ = std::make_unique<ScriptChecker>(*this);

    // A full-line background marker for the highlighted line; no margin draws it as a symbol.
    sci(SCI_MARKERDEFINE, kHighlightMarker, SC_MARK_BACKGROUND);
    sci(SCI_MARKERSETBACK, kHighlightMarker, long(kHighlightBack));
    for (int margin = 0; margin < 5; ++margin) {
        const long mask = sci(SCI_GETMARGINMASKN, margin);
        sci(SCI_SETMARGINMASKN, margin, mask & ~(1L << kHighlightMarker));
    }

    connect(this, &QsciScintillaBase::SCN_MODIFIED, this, &CodeEditor::onModified);
    connect(this, &QsciScintillaBase::SCN_CHARADDED, this, &CodeEditor::onCharAdded);
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, &CodeEditor::onUpdateUi);
    // Scintilla reports selection changes at once here; SCN_UPDATEUI comes only with painting.
    connect(this, &QsciScintillaBase::QSCN_SELCHANGED, this, &CodeEditor::selectionMoved);
    connect(this, QOverload<const char*, int>::of(&QsciScintillaBase::SCN_USERLISTSELECTION), this,
            [this](const char* text, int id) { assist_->listChosen(text, id); });
    connect(this, &QsciScintillaBase::SCN_AUTOCCANCELLED, this, [this] { assist_->listCancelled(); });
}

CodeEditor::~CodeEditor()
{
    // Nothing is reported, and no helper is reached, while the control goes away.
    events_ = nullptr;
    disconnect(this, nullptr, this, nullptr);
}

void CodeEditor::setEventHandler(CodeEditorEvents* handler) { events_ = handler; }

long CodeEditor::sci(unsigned int message, unsigned long wParam, long lParam) const
{
    return SendScintilla(message, wParam, lParam);
}

// ---- Positions -------------------------------------------------------------------------------

int CodeEditor::bytePosition(int line, int column) const
{
    if (line < 0)
        return 0;
    if (line >= sci(SCI_GETLINECOUNT))
        return int(sci(SCI_GETLENGTH));
    const int start = int(sci(SCI_POSITIONFROMLINE, line));
    const int end = int(sci(SCI_GETLINEENDPOSITION, line));
    if (column <= 0)
        return start;
    if (column >= end - start)
        return end; // never fewer bytes than characters
    const int pos = int(sci(SCI_POSITIONRELATIVE, start, column));
    return (pos < start || pos > end) ? end : pos;
}

Position CodeEditor::positionAt(int bytePos) const
{
    const int line = int(sci(SCI_LINEFROMPOSITION, bytePos));
    const int start = int(sci(SCI_POSITIONFROMLINE, line));
    return {line, int(sci(SCI_COUNTCHARACTERS, start, bytePos))};
}

QByteArray CodeEditor::bytesBetween(int from, int to) const
{
    if (to <= from)
        return {};
    QByteArray buffer(to - from + 1, Qt::Uninitialized);
    SendScintilla(SCI_GETTEXTRANGE, long(from), long(to), buffer.data());
    buffer.truncate(to - from);
    return buffer;
}

int CodeEditor::caretPos() const { return int(sci(SCI_GETCURRENTPOS)); }

Range CodeEditor::GetSelectionRange(bool normalized) const
{
    int anchor = int(sci(SCI_GETANCHOR));
    int caret = caretPos();
    if (normalized && anchor > caret)
        std::swap(anchor, caret);
    const Position start = positionAt(anchor);
    const Position end = positionAt(caret);
    return {start.Line, start.Column, end.Line, end.Column};
}

void CodeEditor::SetSelectionRange(const Range& range, bool makeVisible)
{
    const int anchor = bytePosition(range.StartLine, range.StartColumn);
    const int caret = bytePosition(range.EndLine, range.EndColumn);
    // Through the anchor and caret messages, which (unlike SCI_SETSELECTION) report the change
    // and, unlike SCI_SETSEL, do not scroll.
    sci(SCI_SETANCHOR, anchor);
    sci(SCI_SETCURRENTPOS, caret);
    if (makeVisible) {
        sci(SCI_ENSUREVISIBLE, sci(SCI_LINEFROMPOSITION, caret));
        sci(SCI_SCROLLCARET);
    }
}

Position CodeEditor::PositionFromPoint(int x, int y) const
{
    return positionAt(int(sci(SCI_POSITIONFROMPOINT, x, y)));
}

// ---- Text and state --------------------------------------------------------------------------

bool CodeEditor::Modified() const { return sci(SCI_GETMODIFY) != 0; }

int CodeEditor::LineTotal() const { return int(sci(SCI_GETLINECOUNT)); }

int CodeEditor::TextLength() const
{
    const auto* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return int(countCharacters(text, sci(SCI_GETLENGTH)));
}

bool CodeEditor::HasText() const { return sci(SCI_GETLENGTH) > 0; }

QString CodeEditor::Text() const
{
    const auto* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return QString::fromUtf8(text, sci(SCI_GETLENGTH));
}

QString CodeEditor::LineText(int line) const
{
    if (line < 0 || line >= LineTotal())
        return {};
    return QString::fromUtf8(bytesBetween(int(sci(SCI_POSITIONFROMLINE, line)),
                                          int(sci(SCI_GETLINEENDPOSITION, line))));
}

QString CodeEditor::wordBefore(int bytePos) const
{
    // Only the text near the position is read: a line may be megabytes long, a word never is.
    constexpr int kReach = 1024;
    const long line = sci(SCI_LINEFROMPOSITION, bytePos);
    const long lineStart = sci(SCI_POSITIONFROMLINE, line);
    if (bytePos <= lineStart)
        return {};
    long from = std::max<long>(lineStart, bytePos - kReach);
    long to = std::min<long>(sci(SCI_GETLINEENDPOSITION, line), bytePos + kReach);
    // Whole characters only.
    while (from > lineStart && (sci(SCI_GETCHARAT, from) & 0xC0) == 0x80)
        --from;
    while (to > bytePos && (sci(SCI_GETCHARAT, to) & 0xC0) == 0x80)
        --to;
    const QByteArray bytes = bytesBetween(int(from), int(to));
    return WordBeforeColumn(QString::fromUtf8(bytes), int(countCharacters(bytes.constData(), bytePos - from)));
}

QString CodeEditor::WordAtPosition(const Position& position) const
{
    if (position.Line < 0 || position.Line >= LineTotal() || position.Column <= 0)
        return {};
    return wordBefore(bytePosition(position.Line, position.Column));
}

QString CodeEditor::CaretWord() const { return wordBefore(caretPos()); }

int CodeEditor::CaretWordLength() const { return int(CaretWord().toUcs4().size()); }

int CodeEditor::TokenAtCaret() const
{
    const int pos = caretPos();
    if (!lexer_ || pos == 0)
        return syntax::NoToken;
    // Styling is lazy: make sure the text up to the caret has its styles.
    const long styled = sci(SCI_GETENDSTYLED);
    if (styled < pos)
        const_cast<CodeEditor*>(this)->SendScintilla(SCI_COLOURISE, styled, long(pos));
    switch (sci(SCI_GETSTYLEAT, pos - 1)) {
    case syntax::Keyword:
    case syntax::ScopeKeyword:
        return syntax::KeywordToken;
    case syntax::String:
        return syntax::StringToken;
    case syntax::Comment:
        return syntax::CommentToken;
    default:
        return syntax::NoToken;
    }
}

int CodeEditor::SelLength() const
{
    return int(sci(SCI_COUNTCHARACTERS, sci(SCI_GETSELECTIONSTART), sci(SCI_GETSELECTIONEND)));
}

void CodeEditor::SetSearchText(const QString& text) { search_->setSearchText(text); }

void CodeEditor::SetExactSearchText(const QString& text) { search_->setExactSearch(text); }

QString CodeEditor::SearchText() const { return search_->searchText(); }

int CodeEditor::HighlightedLine() const
{
    if (highlightHandle_ < 0)
        return -1;
    return int(sci(SCI_MARKERLINEFROMHANDLE, highlightHandle_));
}

void CodeEditor::SetHighlightedLine(int line)
{
    if (highlightHandle_ >= 0)
        sci(SCI_MARKERDELETEHANDLE, highlightHandle_);
    highlightHandle_ = -1;
    if (line >= 0 && line < LineTotal())
        highlightHandle_ = int(sci(SCI_MARKERADD, line, kHighlightMarker));
}

void CodeEditor::clearHighlight()
{
    sci(SCI_MARKERDELETEALL, kHighlightMarker);
    highlightHandle_ = -1;
}

// ---- Editing ---------------------------------------------------------------------------------

const char* CodeEditor::lineBreak() const
{
    switch (eolMode()) {
    case EolUnix:
        return "\n";
    case EolMac:
        return "\r";
    default:
        return "\r\n";
    }
}

void CodeEditor::InsertTextAt(const QString& text, const Position& position)
{
    const QByteArray bytes = text.toUtf8();
    const int pos = bytePosition(position.Line, position.Column);
    sci(SCI_SETTARGETRANGE, pos, pos);
    SendScintilla(SCI_REPLACETARGET, uintptr_t(bytes.size()), bytes.constData());
}

void CodeEditor::RemoveLine(int line)
{
    const int lines = LineTotal();
    if (line < 0 || line >= lines)
        return;
    const Range selection = GetSelectionRange(false);
    int from = int(sci(SCI_POSITIONFROMLINE, line));
    int to = int(sci(SCI_GETLENGTH));
    if (line + 1 < lines)
        to = int(sci(SCI_POSITIONFROMLINE, line + 1));
    else if (line > 0)
        from = int(sci(SCI_GETLINEENDPOSITION, line - 1)); // the last line takes the break before it
    sci(SCI_DELETERANGE, from, to - from);
    SetSelectionRange(selection, false);
}

void CodeEditor::InsertLineAt(int line, const QString& text)
{
    const int lines = LineTotal();
    const Range selection = GetSelectionRange(false);
    QByteArray bytes = text.toUtf8();
    int pos;
    if (line >= lines) {
        pos = int(sci(SCI_GETLENGTH));
        bytes.prepend(lineBreak());
    } else {
        pos = int(sci(SCI_POSITIONFROMLINE, std::max(line, 0)));
        bytes.append(lineBreak());
    }
    sci(SCI_SETTARGETRANGE, pos, pos);
    SendScintilla(SCI_REPLACETARGET, uintptr_t(bytes.size()), bytes.constData());
    SetSelectionRange(selection, false);
}

void CodeEditor::ReplaceSelectionText(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const int start = int(sci(SCI_GETSELECTIONSTART));
    sci(SCI_BEGINUNDOACTION);
    sci(SCI_TARGETFROMSELECTION);
    SendScintilla(SCI_REPLACETARGET, uintptr_t(bytes.size()), bytes.constData());
    sci(SCI_ENDUNDOACTION);
    sci(SCI_SETEMPTYSELECTION, start);
}

bool CodeEditor::CanUndo() const { return sci(SCI_CANUNDO) != 0; }
bool CodeEditor::CanRedo() const { return sci(SCI_CANREDO) != 0; }
void CodeEditor::Undo() { undo(); }
void CodeEditor::Redo() { redo(); }
void CodeEditor::Cut() { cut(); }
void CodeEditor::Copy() { copy(); }
void CodeEditor::Paste() { paste(); }

// ---- Display settings ------------------------------------------------------------------------

void CodeEditor::SetShowWhitespace(bool on)
{
    showWhitespace_ = on;
    sci(SCI_SETVIEWWS, on ? SCWS_VISIBLEALWAYS : SCWS_INVISIBLE);
}

bool CodeEditor::ShowWhitespace() const { return showWhitespace_; }

void CodeEditor::SetShowLineNumbers(bool on)
{
    showLineNumbers_ = on;
    updateLineNumberMargin(true);
}

bool CodeEditor::ShowLineNumbers() const { return showLineNumbers_; }

void CodeEditor::updateLineNumberMargin(bool force)
{
    if (!showLineNumbers_) {
        lineNumberDigits_ = 0;
        setMarginWidth(0, 0);
        return;
    }
    const int digits = std::max(2, int(QString::number(LineTotal()).size()));
    if (digits == lineNumberDigits_ && !force)
        return;
    lineNumberDigits_ = digits;
    setMarginWidth(0, QString(digits + 1, QLatin1Char('9')));
}

void CodeEditor::SetLanguageName(const QString& name)
{
    QsciLexer* lexer = LanguageRegistry::instance().createLexer(name, this);
    if (const auto definition = LanguageRegistry::instance().find(name))
        indenter_->setScopeWords(definition->scopeOpeningList(), definition->scopeClosingList());
    QsciLexer* old = lexer_;
    lexer_ = lexer;
    languageName_ = lexer ? name : QString();
    setLexer(lexer);
    delete old;
    applyStyles();
}

QString CodeEditor::LanguageName() const { return languageName_; }

void CodeEditor::SetTabWidth(int columns)
{
    tabWidth_ = std::clamp(columns, 1, 64);
    setTabWidth(tabWidth_);
}

int CodeEditor::TabWidth() const { return tabWidth_; }

void CodeEditor::SetAutoIndentMode(int mode) { indenter_->setMode(mode == 1 || mode == 2 ? mode : 0); }

int CodeEditor::AutoIndentMode() const { return indenter_->mode(); }

void CodeEditor::SetElementColor(int colorNumber, quint32 bgr)
{
    if (styles_->setColor(colorNumber, bgr))
        applyStyles();
}

void CodeEditor::SetElementFontStyle(int styleNumber, int fontStyle)
{
    if (styles_->setFontStyle(styleNumber, fontStyle))
        applyStyles();
}

quint32 CodeEditor::ElementColor(int colorNumber) const { return styles_->color(colorNumber, *this, lexer_); }

int CodeEditor::ElementFontStyle(int styleNumber) const { return styles_->fontStyle(styleNumber, lexer_); }

void CodeEditor::ReleaseKeys(const QList<QKeySequence>& keys)
{
    QsciCommandSet* commands = standardCommands();
    for (const QKeySequence& sequence : keys) {
        if (sequence.isEmpty())
            continue;
        const int key = sequence[0].toCombined();
        while (QsciCommand* command = commands->boundTo(key)) {
            if (command->key() == key)
                command->setKey(0);
            else
                command->setAlternateKey(0);
        }
    }
}

void CodeEditor::SetEditorFont(const QString& name, int pointSize)
{
    // An empty name or a size below 1 keeps what the font has now.
    QFont requested = QWidget::font();
    if (!name.trimmed().isEmpty())
        requested.setFamily(name.trimmed());
    if (pointSize > 0)
        requested.setPointSize(pointSize);
    // The offered faces are Windows fonts. Where one is missing, an installed fixed-pitch face
    // draws instead of the proportional default; Scintilla takes each style's family by name
    // alone, so the stand-in is named outright.
    QFont drawn = requested;
    if (!QFontDatabase::hasFamily(requested.family()))
        drawn.setFamily(QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family());
    styles_->setFont(drawn);
    QWidget::setFont(requested); // what the control's Font reports
    applyStyles();
}

void CodeEditor::applyStyles()
{
    styles_->apply(*this, lexer_);
    updateLineAscent();
    updateLineNumberMargin(true);
    updateRightMargin();
}

void CodeEditor::SetRightMargin(double twips)
{
    rightMargin_ = twips;
    updateRightMargin();
}

double CodeEditor::RightMargin() const { return rightMargin_; }

// Some faces (DejaVu Sans Mono among them) draw the marks of accented capitals above the ascent they
// report. Scintilla cuts every line at that ascent, so "Ä" would show as "A": room is added above
// the lines for the tallest of them in any style.
void CodeEditor::updateLineAscent()
{
    static const QString tallest = QStringLiteral("ÀÁÂÃÄÅÉÊÍÎÓÔÕÖÚÛÜÝŠŽČŘ");
    double overflow = 0;
    // Measured with the faces the control was given, as it draws with them.
    for (int style = 0; style < (lexer_ ? syntax::StyleCount : 1); ++style) {
        QByteArray face(int(sci(SCI_STYLEGETFONT, style, 0)), '\0');
        SendScintilla(SCI_STYLEGETFONT, (unsigned long)style, static_cast<void*>(face.data()));
        QFont font(QString::fromUtf8(face));
        font.setPointSizeF(double(sci(SCI_STYLEGETSIZEFRACTIONAL, style)) / double(SC_FONT_SIZE_MULTIPLIER));
        font.setBold(sci(SCI_STYLEGETWEIGHT, style) >= SC_WEIGHT_BOLD);
        font.setItalic(sci(SCI_STYLEGETITALIC, style) != 0);
        const QFontMetricsF metrics(font);
        overflow = std::max(overflow, -metrics.tightBoundingRect(tallest).top() - std::floor(metrics.ascent()));
    }
    sci(SCI_SETEXTRAASCENT, long(std::ceil(overflow)));
}

void CodeEditor::updateRightMargin()
{
    if (rightMargin_ <= 0) {
        sci(SCI_SETEDGEMODE, EDGE_NONE);
        return;
    }
    const double pixels = rightMargin_ * logicalDpiX() / 1440.0;
    // The width Scintilla itself gives a character of the default style.
    const int charWidth = std::max(1, int(SendScintilla(SCI_TEXTWIDTH, STYLE_DEFAULT, "0")));
    sci(SCI_SETEDGECOLUMN, std::max(1, int(pixels / charWidth)));
    sci(SCI_SETEDGEMODE, EDGE_LINE);
}

// ---- Commands --------------------------------------------------------------------------------

void CodeEditor::RunCommand(int command, int argument)
{
    switch (command) {
    case CmdOutdent: indentSelectedLines(true); break;
    case CmdIndent: indentSelectedLines(false); break;
    case CmdSelectAll: selectAll(true); break;
    case CmdGoToLine:
        if (argument == -1) {
            const int current = int(sci(SCI_LINEFROMPOSITION, caretPos())) + 1;
            const std::optional<int> answer = platform::dialogs().lineNumber(this, current, LineTotal());
            if (answer)
                goToLine(*answer - 1);
        } else if (argument >= 0) {
            goToLine(argument);
        }
        break;
    case CmdFindReplace: search_->openDialog(true); break;
    case CmdFindNext: search_->findNext(); break;
    case CmdFind: search_->openDialog(false); break;
    case CmdCodeList: assist_->openList(); break;
    case CmdCodeTip: assist_->openTip(); break;
    default: break;
    }
}

void CodeEditor::goToLine(int line)
{
    line = std::clamp(line, 0, LineTotal() - 1);
    sci(SCI_ENSUREVISIBLE, line);
    sci(SCI_GOTOPOS, sci(SCI_POSITIONFROMLINE, line));
    sci(SCI_SCROLLCARET);
}

FindReplaceDialog* CodeEditor::findReplaceDialog() const { return search_->dialog(); }

CodeList* CodeEditor::openCodeList() const { return assist_->list(); }

CodeTip* CodeEditor::openCodeTip() const { return assist_->tip(); }

// ---- Events ----------------------------------------------------------------------------------

bool CodeEditor::isTypedCharacter(char32_t code, Qt::KeyboardModifiers modifiers) const
{
    // Ctrl or Alt alone make a shortcut; both together are AltGr on some keyboards.
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    if (ctrl != alt || (modifiers & Qt::MetaModifier))
        return false;
    return code == 8 || code == 9 || code == 13 || code == 27 || (code >= 32 && code != 127);
}

void CodeEditor::keyPressEvent(QKeyEvent* event)
{
    emit KeyDown(event->key(), event->modifiers());
    assist_->afterInput(); // a list or tip Scintilla closed meanwhile is reported before the key
    ++inKeyPress_;
    bool swallowed = false;
    const QList<uint> chars = event->text().toUcs4();
    if (events_ && chars.size() == 1 && isTypedCharacter(chars.first(), event->modifiers()))
        swallowed = events_->KeyPress(int(chars.first()));
    // Tab and Shift+Tab over lines indent or outdent them as the Indent command does, in one
    // replacement: Scintilla would change each line on its own, slow to do and to undo by the
    // hundred thousand.
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool indentKey = (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
                           !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (swallowed) {
        event->accept();
    } else if (indentKey && sci(SCI_LINEFROMPOSITION, sci(SCI_GETANCHOR)) != sci(SCI_LINEFROMPOSITION, caretPos()) &&
               !sci(SCI_AUTOCACTIVE) && sci(SCI_GETSELECTIONS) == 1) {
        indentByKey(event->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier));
        event->accept();
    } else {
        QsciScintilla::keyPressEvent(event);
    }
    --inKeyPress_;
    assist_->afterInput();
}

void CodeEditor::inputMethodEvent(QInputMethodEvent* event)
{
    if (!events_ || event->commitString().isEmpty()) {
        QsciScintilla::inputMethodEvent(event);
        assist_->afterInput();
        return;
    }
    ++inKeyPress_;
    QString kept;
    for (const uint ch : event->commitString().toUcs4()) {
        if (!events_ || !events_->KeyPress(int(ch)))
            kept.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&ch), 1));
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QsciScintilla::inputMethodEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
    --inKeyPress_;
    assist_->afterInput();
}

void CodeEditor::mousePressEvent(QMouseEvent* event)
{
    bool swallowed = false;
    if (events_) {
        const Qt::MouseButton b = event->button();
        const int button = b == Qt::LeftButton ? 1 : b == Qt::RightButton ? 2 : b == Qt::MiddleButton ? 4 : 0;
        const Qt::KeyboardModifiers m = event->modifiers();
        const int shift = (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
                          (m & Qt::AltModifier ? 4 : 0);
        const QPoint at = event->position().toPoint();
        swallowed = events_->MouseDown(button, shift, at.x(), at.y());
    }
    if (swallowed)
        event->accept();
    else
        QsciScintilla::mousePressEvent(event);
    assist_->afterInput();
}

void CodeEditor::focusOutEvent(QFocusEvent* event)
{
    QsciScintilla::focusOutEvent(event); // Scintilla closes its list and tip here
    assist_->afterInput();
}

void CodeEditor::contextMenuEvent(QContextMenuEvent* event)
{
    // With a handler, the right button's menu is the handler's (MouseDown). The menu key asks
    // for it as a right click at the caret would.
    if (!events_) {
        QsciScintilla::contextMenuEvent(event);
        return;
    }
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const int caret = caretPos();
        const int x = int(sci(SCI_POINTXFROMPOSITION, 0, caret));
        const int y = int(sci(SCI_POINTYFROMPOSITION, 0, caret));
        events_->MouseDown(2, 0, x, y + int(sci(SCI_TEXTHEIGHT, sci(SCI_LINEFROMPOSITION, caret))) / 2);
    }
}

void CodeEditor::onModified(int, int type, const char*, int, int, int, int, int, int, int)
{
    if (!(type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT)))
        return;
    if (loading_)
        return;
    emit Change();
    if (showLineNumbers_)
        updateLineNumberMargin();
    assist_->textChanged();
}

void CodeEditor::onCharAdded(int ch)
{
    assist_->characterAdded();
    const char* lineEnd = lineBreak();
    indenter_->characterAdded(ch, lineEnd[std::strlen(lineEnd) - 1]);
}

void CodeEditor::onUpdateUi(int updated)
{
    if (updated & SC_UPDATE_SELECTION)
        selectionMoved();
}

void CodeEditor::selectionMoved()
{
    const long anchor = sci(SCI_GETANCHOR);
    const long caret = sci(SCI_GETCURRENTPOS);
    if (anchor == reportedAnchor_ && caret == reportedCaret_)
        return;
    reportedAnchor_ = anchor;
    reportedCaret_ = caret;
    emit SelChange();
    assist_->caretMoved();
}
