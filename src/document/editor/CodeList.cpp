#include "document/editor/CodeList.h"

void CodeList::AddItem(const QString& text)
{
    items_.append(text);
}

int CodeList::ItemCount() const
{
    return int(items_.size());
}

QString CodeList::ItemText(int index) const
{
    if (index < 0 || index >= items_.size())
        return {};
    return items_.at(index);
}

int CodeList::SelectedIndex() const
{
    if (shown_ && host_.currentIndex)
        return host_.currentIndex();
    return selected_;
}

void CodeList::SetSelectedIndex(int index)
{
    if (index < -1 || index >= items_.size())
        return;
    selected_ = index;
    if (shown_ && host_.selectIndex)
        host_.selectIndex(index);
}

void CodeList::Close()
{
    if (!shown_)
        return;
    // The host reports the cancel and detaches the list.
    if (host_.close)
        host_.close();
}

void CodeList::attach(Host host)
{
    host_ = std::move(host);
    shown_ = true;
}

void CodeList::detach(int finalIndex)
{
    selected_ = finalIndex;
    shown_ = false;
    host_ = {};
}
