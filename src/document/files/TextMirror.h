#pragma once
// A copy of an editor's text kept up to date on another thread, so that the GUI thread never copies
// a large text in one go. The GUI side (TextMirrorFeed) copies the text once, a slice at a time, and
// from then on records only the edits; the other side applies them in order (applyEdits).
//
// While the copy is under way, the other side holds the first `copied` bytes of the live text. An
// edit inside that part (or at its end) is recorded and moves the boundary; an edit beyond it needs
// nothing, as that text is copied later as it then is.

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

struct TextEdit {
    qint64 position = 0;
    qint64 removed = 0;  // bytes removed at position
    QByteArray inserted; // then inserted there
};

struct TextEdits {
    bool restart = false; // the copy starts again from nothing
    std::vector<TextEdit> edits;
    qint64 bytes = 0; // inserted bytes held
};

class TextMirrorFeed {
public:
    // Gives length bytes of the live text at position (a range inside the text).
    using Reader = std::function<QByteArray(qint64 position, qint64 length)>;

    // More edits than this are copied again rather than replayed; more bytes are handed over early.
    static constexpr size_t MaxEdits = 1000;
    static constexpr qint64 HandOverBytes = 4 * 1024 * 1024;
    // An insertion this large is copied again with the rest of the text, a slice at a time, rather
    // than held whole here while the other side still holds the text it replaced.
    static constexpr qint64 CopyAgainBytes = 1024 * 1024;

    // Starts again from an empty copy of a live text of liveLength bytes.
    void restart(qint64 liveLength);
    // No copy is wanted: edits are ignored until the next restart.
    void stop();
    bool active() const { return active_; }
    bool complete() const { return active_ && copied_ == live_; }
    qint64 liveLength() const { return live_; }

    void inserted(qint64 position, const char* text, qint64 length);
    void removed(qint64 position, qint64 length);
    // Copies up to budget more bytes; true when the copy is complete.
    bool copyMore(qint64 budget, const Reader& read);

    // The edits since the last take, to apply in order on the other side.
    TextEdits take();
    bool holdsMuch() const { return pending_.bytes >= HandOverBytes; }

private:
    void record(qint64 position, qint64 removed, QByteArrayView inserted);

    bool active_ = false;
    qint64 copied_ = 0;
    qint64 live_ = 0;
    TextEdits pending_;
};

// Applies edits to a copy; false (the copy is then of no use) when an edit does not fit it.
bool applyEdits(QByteArray& copy, const TextEdits& edits);
