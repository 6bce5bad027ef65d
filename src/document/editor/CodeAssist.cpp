#include "document/editor/CodeAssist.h"

#include "document/editor/CodeEditor.h"
#include "document/editor/CodeList.h"
#include "document/editor/CodeTip.h"

#include <QTimer>

namespace {
constexpr int kCodeListId = 1;
}

CodeAssist::CodeAssist(CodeEditor& editor) : editor_(editor) {}

CodeAssist::~CodeAssist() = default;

CodeList* CodeAssist::list() const
{
    return list_ && list_->isShown() ? list_.get() : nullptr;
}

CodeTip* CodeAssist::tip() const
{
    return tip_ && tip_->isShown() ? tip_.get() : nullptr;
}

void CodeAssist::closeAll()
{
    listPending_ = false;
    finishList(false, -1);
    closeTip(true);
}

// ---- Code list -------------------------------------------------------------------------------

void CodeAssist::openList()
{
    CodeEditorEvents* events = editor_.events_;
    if (!events)
        return;
    if (list_ && list_->isShown())
        list_->Close();
    auto list = std::make_unique<CodeList>();
    if (!events->CodeListOpen(*list) || list->ItemCount() == 0)
        return;
    retiredList_ = std::move(list_);
    list_ = std::move(list);
    listPending_ = true;
    // Opened while a typed character is on its way: show the list once that character is in, so the
    // list's typed text starts after it.
    if (editor_.inKeyPress_ == 0)
        showList();
}

void CodeAssist::showList()
{
    listPending_ = false;
    if (!list_ || list_->isShown())
        return;
    listStart_ = editor_.caretPos();
    listTyped_ = false;
    const int wanted = list_->SelectedIndex();
    editor_.sci(QsciScintillaBase::SCI_AUTOCSETSEPARATOR, '\n');
    editor_.sci(QsciScintillaBase::SCI_AUTOCSETORDER, QsciScintillaBase::SC_ORDER_CUSTOM);
    editor_.sci(QsciScintillaBase::SCI_AUTOCSETIGNORECASE, 1);
    const QByteArray items = list_->items().join(QLatin1Char('\n')).toUtf8();
    editor_.SendScintilla(QsciScintillaBase::SCI_USERLISTSHOW, uintptr_t(kCodeListId), items.constData());
    if (!editor_.sci(QsciScintillaBase::SCI_AUTOCACTIVE))
        return;
    CodeList::Host host;
    host.currentIndex = [this] { return int(editor_.sci(QsciScintillaBase::SCI_AUTOCGETCURRENT)); };
    host.selectIndex = [this](int index) {
        if (index >= 0 && list_)
            editor_.SendScintilla(QsciScintillaBase::SCI_AUTOCSELECT, list_->ItemText(index).toUtf8().constData());
    };
    host.close = [this] { finishList(false, -1); };
    list_->attach(std::move(host));
    if (wanted >= 0)
        list_->SetSelectedIndex(wanted);
}

void CodeAssist::finishList(bool chosen, int index)
{
    if (!list_ || !list_->isShown())
        return;
    CodeList& list = *list_;
    list.detach(chosen ? index : list.SelectedIndex());
    if (editor_.sci(QsciScintillaBase::SCI_AUTOCACTIVE))
        editor_.sci(QsciScintillaBase::SCI_AUTOCCANCEL);
    CodeEditorEvents* events = editor_.events_;
    if (!events)
        return;
    if (!chosen) {
        events->CodeListCancel(list);
        return;
    }
    if (!events->CodeListSelect(list))
        return;
    // The handler left the insertion to the control: the item replaces what was typed since the
    // list opened.
    const QByteArray text = list.ItemText(list.SelectedIndex()).toUtf8();
    const long caret = editor_.caretPos();
    const long from = std::min(listStart_, caret);
    editor_.sci(QsciScintillaBase::SCI_SETTARGETRANGE, from, caret);
    editor_.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, uintptr_t(text.size()), text.constData());
    editor_.sci(QsciScintillaBase::SCI_GOTOPOS, from + text.size());
}

void CodeAssist::listChosen(const char* text, int id)
{
    if (id != kCodeListId || !list_ || !list_->isShown())
        return;
    const QString chosen = QString::fromUtf8(text);
    int index = int(list_->items().indexOf(chosen));
    if (index < 0) {
        for (int i = 0; i < list_->ItemCount() && index < 0; ++i) {
            if (list_->ItemText(i).compare(chosen, Qt::CaseInsensitive) == 0)
                index = i;
        }
    }
    finishList(true, index);
}

void CodeAssist::listCancelled()
{
    finishList(false, -1);
}

// ---- Code tip --------------------------------------------------------------------------------

void CodeAssist::openTip()
{
    CodeEditorEvents* events = editor_.events_;
    if (!events || events->CodeTipOpen() == 0)
        return;
    closeTip(true);
    retiredTip_ = std::move(tip_);
    tip_ = std::make_unique<CodeTip>();
    CodeTip* tip = tip_.get();
    tipPos_ = editor_.caretPos();
    events->CodeTipUpdate(*tip);
    if (tip_.get() != tip || tip->TipText().isEmpty())
        return;
    CodeTip::Host host;
    host.changed = [this] { showTip(); };
    host.close = [this] { closeTip(true); };
    tip->attach(std::move(host));
    tipDirty_ = false;
    showTip();
}

void CodeAssist::showTip()
{
    if (!tip_ || !tip_->isShown())
        return;
    const QString text = tip_->TipText();
    if (text.isEmpty()) {
        closeTip(true);
        return;
    }
    editor_.SendScintilla(QsciScintillaBase::SCI_CALLTIPSHOW, uintptr_t(tipPos_), text.toUtf8().constData());
    const auto [start, end] = tip_->argumentSpan();
    // The highlight is given in bytes of the tip's UTF-8 text.
    const long byteStart = QStringView(text).left(start).toUtf8().size();
    const long byteEnd = QStringView(text).left(end).toUtf8().size();
    editor_.sci(QsciScintillaBase::SCI_CALLTIPSETHLT, byteStart, byteEnd);
}

void CodeAssist::refreshTip()
{
    tipDirty_ = false;
    CodeEditorEvents* events = editor_.events_;
    if (!tip_ || !tip_->isShown() || !events)
        return;
    events->CodeTipUpdate(*tip_);
}

void CodeAssist::closeTip(bool raiseCancel)
{
    if (!tip_ || !tip_->isShown())
        return;
    tip_->detach();
    tipDirty_ = false;
    if (editor_.sci(QsciScintillaBase::SCI_CALLTIPACTIVE))
        editor_.sci(QsciScintillaBase::SCI_CALLTIPCANCEL);
    if (raiseCancel && editor_.events_)
        editor_.events_->CodeTipCancel(*tip_);
}

// ---- Following the user ----------------------------------------------------------------------

void CodeAssist::afterInput()
{
    if (listPending_)
        showList();
    if (list_ && list_->isShown()) {
        if (!editor_.sci(QsciScintillaBase::SCI_AUTOCACTIVE)) {
            finishList(false, -1);
        } else if (listTyped_) {
            listTyped_ = false;
            const int index = int(editor_.sci(QsciScintillaBase::SCI_AUTOCGETCURRENT));
            const QString typed = QString::fromUtf8(editor_.bytesBetween(int(listStart_), editor_.caretPos()));
            if (index >= 0 && !typed.isEmpty() && editor_.events_ &&
                list_->ItemText(index).startsWith(typed, Qt::CaseInsensitive))
                editor_.events_->CodeListMatch(*list_, index);
        }
    }
    if (tip_ && tip_->isShown()) {
        if (!editor_.sci(QsciScintillaBase::SCI_CALLTIPACTIVE))
            closeTip(true);
        else if (tipDirty_)
            refreshTip();
    }
}

void CodeAssist::textChanged()
{
    if (tip_ && tip_->isShown()) {
        tipDirty_ = true;
        queueRefresh();
    }
}

void CodeAssist::caretMoved()
{
    textChanged();
}

void CodeAssist::characterAdded()
{
    if (list_ && list_->isShown())
        listTyped_ = true;
}

void CodeAssist::queueRefresh()
{
    // Inside a key press the control refreshes when the key is done; otherwise (text changed by
    // the program, caret moved by the mouse) do it once the current event is over.
    if (editor_.inKeyPress_ > 0 || refreshQueued_)
        return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        afterInput();
    });
}
