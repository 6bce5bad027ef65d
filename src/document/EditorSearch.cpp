#include "document/EditorSearch.h"

#include "platform/ProductInfo.h"
#include "platform/DialogService.h"

#include <Qsci/qsciscintilla.h>

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

void EditorSearch::openDialog(bool replaceMode)
{
    if (!dialog_) {
        dialog_ = createDialog(editor_.window());
        dialog_->setOptions(options_);
    }
    follow();
    // Start from the selected text when it is a single line, else from the last search.
    QString initial = editor_.selectedText();
    if (initial.isEmpty() || initial.contains(QLatin1Char('\n')) || initial.contains(QLatin1Char('\r')))
        initial = text_;
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

void EditorSearch::replaceAll()
{
    takeDialogInput();
    if (text_.isEmpty())
        return;
    const QString replacement = dialog_->replaceText();
    const long caret = editor_.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    // Every replacement makes progress through the text; this bounds patterns that match nothing.
    long budget = editor_.SendScintilla(QsciScintillaBase::SCI_GETLENGTH) + 1;
    int count = 0;
    long lastStart = -1;
    editor_.beginUndoAction();
    bool found = editor_.findFirst(text_, options_.regularExpression, options_.matchCase, options_.wholeWord,
                                   false, true, 0, 0, false, false, true);
    while (found && budget-- > 0) {
        const long start = editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
        const long end = editor_.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
        if (start == end && start == lastStart)
            break;
        lastStart = start;
        editor_.replace(replacement);
        ++count;
        found = editor_.findNext();
    }
    editor_.endUndoAction();
    matchStart_ = matchEnd_ = -1;
    if (count == 0) {
        editor_.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, caret);
        reportNotFound();
        return;
    }
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
