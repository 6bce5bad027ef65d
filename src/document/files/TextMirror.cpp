#include "document/files/TextMirror.h"

#include <algorithm>

void TextMirrorFeed::restart(qint64 liveLength)
{
    active_ = true;
    copied_ = 0;
    live_ = liveLength;
    pending_ = TextEdits();
    pending_.restart = true;
}

void TextMirrorFeed::stop()
{
    active_ = false;
    copied_ = live_ = 0;
    pending_ = TextEdits();
}

void TextMirrorFeed::record(qint64 position, qint64 removed, QByteArrayView inserted)
{
    // Replaying a long run of edits (Replace All) costs the other side more than a fresh copy.
    if (pending_.edits.size() >= MaxEdits) {
        restart(live_);
        return;
    }
    pending_.edits.push_back({position, removed, inserted.toByteArray()});
    pending_.bytes += inserted.size();
}

void TextMirrorFeed::inserted(qint64 position, const char* text, qint64 length)
{
    if (!active_ || length <= 0)
        return;
    live_ += length;
    // Text inserted at the boundary joins the copy: what follows it is still to be copied as it is.
    if (position > copied_)
        return;
    if (length >= CopyAgainBytes) {
        restart(live_);
        return;
    }
    copied_ += length;
    record(position, 0, QByteArrayView(text, length));
}

void TextMirrorFeed::removed(qint64 position, qint64 length)
{
    if (!active_ || length <= 0)
        return;
    live_ -= length;
    if (position >= copied_)
        return;
    const qint64 cut = std::min(length, copied_ - position);
    copied_ -= cut;
    record(position, cut, {});
}

bool TextMirrorFeed::copyMore(qint64 budget, const Reader& read)
{
    while (active_ && budget > 0 && copied_ < live_) {
        const qint64 length = std::min(budget, live_ - copied_);
        QByteArray slice = read(copied_, length);
        if (slice.size() != length)
            break;
        pending_.edits.push_back({copied_, 0, std::move(slice)});
        pending_.bytes += length;
        copied_ += length;
        budget -= length;
    }
    return complete();
}

TextEdits TextMirrorFeed::take()
{
    TextEdits taken = std::move(pending_);
    pending_ = TextEdits();
    return taken;
}

bool applyEdits(QByteArray& copy, const TextEdits& edits)
{
    if (edits.restart)
        copy.clear();
    for (const TextEdit& edit : edits.edits) {
        if (edit.position < 0 || edit.removed < 0 || edit.position > copy.size() - edit.removed)
            return false;
        if (edit.removed > 0)
            copy.remove(edit.position, edit.removed);
        if (!edit.inserted.isEmpty())
            copy.insert(edit.position, edit.inserted);
    }
    return true;
}
