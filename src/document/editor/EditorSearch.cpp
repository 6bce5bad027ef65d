#include "document/editor/EditorSearch.h"

#include "platform/ProductInfo.h"
#include "platform/DialogService.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <cstring>
#include <vector>

EditorSearch::EditorSearch(QsciScintilla& editor) : editor_(editor)
{
    searches_ << this;
}

EditorSearch::~EditorSearch()
{
    searches_.removeOne(this);
    if (followed_ != this)
        return;
    // The script it worked on is gone: nothing is left for the window to act on.
    followed_ = nullptr;
    if (dialog_)
        dialog_->hide();
}

FindReplaceDialog* EditorSearch::createDialog(QWidget* parent)
{
    auto* dialog = new FindReplaceDialog(parent);
    connect(dialog, &FindReplaceDialog::findNextRequested, dialog, [] {
        if (!followed_)
            return;
        followed_->takeDialogInput();
        followed_->find(true);
    });
    connect(dialog, &FindReplaceDialog::replaceRequested, dialog, [] {
        if (followed_)
            followed_->replaceOnce();
    });
    connect(dialog, &FindReplaceDialog::replaceAllRequested, dialog, [] {
        if (followed_)
            followed_->replaceAll();
    });
    return dialog;
}

void EditorSearch::follow()
{
    followed_ = this;
}

void EditorSearch::follow(const QsciScintilla* editor)
{
    for (EditorSearch* search : std::as_const(searches_))
        if (&search->editor_ == editor)
            search->follow();
}

void EditorSearch::setExactSearch(const QString& text)
{
    text_ = text;
    options_.matchCase = true;
    options_.wholeWord = false;
    options_.regularExpression = false;
    presentSearch_ = true;
}

void EditorSearch::openDialog(bool replaceMode)
{
    if (!dialog_ || presentSearch_) {
        if (!dialog_)
            dialog_ = createDialog(editor_.window());
        dialog_->setOptions(options_);
    }
    follow();
    // Start from the selected text when it is a single line, else from the last search.
    QString initial = editor_.selectedText();
    if (presentSearch_ || initial.isEmpty() || initial.contains(QLatin1Char('\n')) ||
        initial.contains(QLatin1Char('\r')))
        initial = text_;
    presentSearch_ = false;
    dialog_->present(replaceMode, initial);
}

bool EditorSearch::findNext()
{
    if (text_.isEmpty()) {
        openDialog(false);
        return false;
    }
    return find(true);
}

void EditorSearch::takeDialogInput()
{
    if (!dialog_)
        return;
    text_ = dialog_->findText();
    options_ = dialog_->options();
    presentSearch_ = false;
}

bool EditorSearch::find(bool reportNotFound)
{
    if (text_.isEmpty())
        return false;
    const bool found = editor_.findFirst(text_, options_.regularExpression, options_.matchCase,
                                         options_.wholeWord, options_.wrapAround, true, -1, -1, true,
                                         false, true);
    if (found) {
        matchStart_ = editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
        matchEnd_ = editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    } else {
        matchStart_ = matchEnd_ = -1;
        if (reportNotFound)
            this->reportNotFound();
    }
    return found;
}

void EditorSearch::replaceOnce()
{
    const QString previousText = text_;
    const FindOptions previousOptions = options_;
    takeDialogInput();
    const bool onMatch = matchStart_ >= 0 && text_ == previousText && options_ == previousOptions &&
                         editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART) == matchStart_ &&
                         editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND) == matchEnd_;
    if (onMatch)
        editor_.replace(dialog_->replaceText());
    find(true);
}

namespace {

// The replacement for the regular-expression match just found, with Scintilla's substitution
// rules: \0 is the match, \1..\9 its groups, \a \b \f \n \r \t \v \\ the control characters;
// any other backslash stays as it is.
QByteArray substitute(QsciScintilla& editor, const QByteArray& replacement, const char* text, long start, long end)
{
    QByteArray out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
        if (c != '\\' || next == '\0') {
            out.append(c);
            continue;
        }
        ++i;
        if (next == '0') {
            out.append(text + start, end - start);
        } else if (next >= '1' && next <= '9') {
            const long size = editor.SendScintilla(QsciScintillaBase::SCI_GETTAG, uintptr_t(next - '0'),
                                                   static_cast<char*>(nullptr));
            QByteArray tag(size + 1, '\0');
            editor.SendScintilla(QsciScintillaBase::SCI_GETTAG, uintptr_t(next - '0'), tag.data());
            out.append(tag.constData(), size);
        } else {
            static const char escapes[] = "a\ab\bf\fn\nr\rt\tv\v\\\\";
            const char* hit = nullptr;
            for (const char* e = escapes; *e; e += 2)
                if (*e == next)
                    hit = e + 1;
            if (hit) {
                out.append(*hit);
            } else {
                out.append('\\');
                --i;
            }
        }
    }
    return out;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Where a match of plain ASCII text in any letter case may start in UTF-8 text: where the bytes
// are the text but for the case of A-Z, or close before a byte outside ASCII, whose character
// might fold to the letters looked for. The control's search, which folds and compares one
// character at a time, then only confirms. Asked for ever later places, it reads each byte once.
class MatchStarts {
public:
    MatchStarts(const char* text, long length, const QByteArray& pattern)
        : text_(text), length_(length), lower_(pattern.toLower()), reach_(4 * long(pattern.size()))
    {
    }
    // The longest a match can be: every character folds to at least one byte of the pattern.
    long reach() const { return reach_; }
    // The first place at or after from where a match may start; beyond the text when none.
    long next(long from)
    {
        if (outside_ < from) {
            outside_ = from;
            while (outside_ < length_ && static_cast<unsigned char>(text_[outside_]) < 0x80)
                ++outside_;
        }
        const long near = outside_ < length_ ? std::max(from, outside_ - reach_ + 1) : length_ + 1;
        const long n = lower_.size();
        for (long p = from; p < near && p + n <= length_; ++p) {
            long i = 0;
            while (i < n && asciiLower(text_[p + i]) == lower_.constData()[i])
                ++i;
            if (i == n)
                return p;
        }
        return near;
    }

private:
    const char* text_;
    long length_;
    QByteArray lower_;
    long reach_;
    long outside_ = -1; // the first byte outside ASCII at or after the place last asked for
};

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

// Finds every match in the text as it stands, then replaces them from the last to the first, so
// each match keeps the place it was found at, and all of it is one step to undo. Replaced one by
// one, the text between the matches keeps its lines, styles, fold levels and markers, and the undo
// history holds only the matches, not two copies of everything between the first and the last.
void EditorSearch::replaceAll()
{
    takeDialogInput();
    if (text_.isEmpty())
        return;
    const QByteArray pattern = text_.toUtf8();
    const QByteArray replacement = dialog_->replaceText().toUtf8();
    const bool regex = options_.regularExpression;
    editor_.SendScintilla(QsciScintillaBase::SCI_SETSEARCHFLAGS,
                          (options_.matchCase ? QsciScintillaBase::SCFIND_MATCHCASE : 0) |
                              (options_.wholeWord ? QsciScintillaBase::SCFIND_WHOLEWORD : 0) |
                              (regex ? QsciScintillaBase::SCFIND_REGEXP | QsciScintillaBase::SCFIND_CXX11REGEX : 0));
    const long length = editor_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    // Searching does not change the text, so this stays valid until the first replacement.
    const auto* text = static_cast<const char*>(editor_.SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    struct Change {
        long start, end;
        qsizetype at; // the new text: in `substituted` for a regular expression, else `replacement`
        qsizetype size;
    };
    std::vector<Change> changes; // only the matches whose text changes
    QByteArray substituted;
    long lastStart = 0;
    long lastEnd = 0;
    long shift = 0; // what the changes before a match add to its position
    int count = 0;
    // Plain text in any case is looked for by the control only where it may be: its own search is
    // slow to compare characters that way.
    const bool sift = !regex && !options_.matchCase && isAscii(pattern) &&
                      editor_.SendScintilla(QsciScintillaBase::SCI_GETCODEPAGE) == QsciScintillaBase::SC_CP_UTF8;
    MatchStarts starts(text, length, pattern);
    for (long pos = 0; pos <= length;) {
        long from = pos;
        long to = length;
        if (sift) {
            from = starts.next(pos);
            if (from > length)
                break;
            to = std::min(length, from + 2 * starts.reach() + 1024);
        }
        editor_.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, from, to);
        const long start = editor_.SendScintilla(QsciScintillaBase::SCI_SEARCHINTARGET,
                                                 uintptr_t(pattern.size()), pattern.constData());
        if (sift && to < length) {
            // A match starting before `sure` ends inside the range, so none before it was missed.
            const long sure = to - starts.reach() + 1;
            if (start < 0 || start >= sure) {
                pos = sure;
                continue;
            }
        }
        if (start < 0)
            break;
        const long end = editor_.SendScintilla(QsciScintillaBase::SCI_GETTARGETEND);
        Change change{start, end, 0, replacement.size()};
        if (regex) {
            change.at = substituted.size();
            substituted.append(substitute(editor_, replacement, text, start, end));
            change.size = substituted.size() - change.at;
        }
        const char* now = regex ? substituted.constData() + change.at : replacement.constData();
        lastStart = start + shift;
        lastEnd = lastStart + change.size;
        if (change.size != end - start || std::memcmp(now, text + start, size_t(change.size)) != 0) {
            changes.push_back(change);
            shift += change.size - (end - start);
        }
        ++count;
        // An empty match moves on by one character, so every place is tried once.
        if (end > start)
            pos = end;
        else if (start < length)
            pos = editor_.SendScintilla(QsciScintillaBase::SCI_POSITIONAFTER, start);
        else
            break;
    }
    matchStart_ = matchEnd_ = -1;
    if (count == 0) {
        reportNotFound();
        return;
    }
    if (!changes.empty()) {
        editor_.SendScintilla(QsciScintillaBase::SCI_BEGINUNDOACTION);
        for (auto change = changes.crbegin(); change != changes.crend(); ++change) {
            const char* now = (regex ? substituted.constData() : replacement.constData()) + change->at;
            editor_.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, change->start, change->end);
            editor_.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, uintptr_t(change->size), now);
        }
        editor_.SendScintilla(QsciScintillaBase::SCI_ENDUNDOACTION);
    }
    editor_.SendScintilla(QsciScintillaBase::SCI_SETSEL, lastStart, lastEnd);
    platform::dialogs().message(dialog_, QObject::tr("%n occurrence(s) replaced.", nullptr, count),
                                ProductInfo::AppTitle, platform::MessageButtons::Ok,
                                platform::MessageIcon::Information);
}

void EditorSearch::reportNotFound()
{
    QWidget* parent = dialog_ && dialog_->isVisible() ? static_cast<QWidget*>(dialog_) : &editor_;
    platform::dialogs().message(parent, QObject::tr("Cannot find \"%1\".").arg(text_), ProductInfo::AppTitle,
                                platform::MessageButtons::Ok, platform::MessageIcon::Information);
}
