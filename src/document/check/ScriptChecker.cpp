#include "document/check/ScriptChecker.h"
#include "document/check/SymbolList.h"

#include <Qsci/qsciscintilla.h>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSemaphore>
#include <QSet>
#include <QToolTip>

#include <algorithm>
#include <atomic>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
using Sci = QsciScintillaBase;
constexpr unsigned long kSquiggleColour = 0x0000FF; // red, 0x00BBGGRR

// Frees a vector's memory (clear() and "= {}" keep it).
template <class T>
void release(std::vector<T>& v)
{
    std::vector<T>().swap(v);
}
} // namespace

ScriptChecker::ScriptChecker(QsciScintilla& editor) : editor_(editor)
{
    pool_.setMaxThreadCount(1);
    timer_.setSingleShot(true);
    timer_.setInterval(DelayMs);
    connect(&timer_, &QTimer::timeout, this, &ScriptChecker::startCheck);

    sci(Sci::SCI_INDICSETSTYLE, Indicator, Sci::INDIC_SQUIGGLE);
    sci(Sci::SCI_INDICSETFORE, Indicator, long(kSquiggleColour));
    editor_.markerDefine(QsciScintilla::Circle, ProblemMarker);
    editor_.setMarkerBackgroundColor(QColor(0xE0, 0x30, 0x30), ProblemMarker);
    editor_.setMarkerForegroundColor(QColor(0x90, 0x10, 0x10), ProblemMarker);
    for (int margin = 0; margin < 5; ++margin) {
        const long mask = sci(Sci::SCI_GETMARGINMASKN, margin);
        sci(Sci::SCI_SETMARGINMASKN, margin, mask & ~(1L << ProblemMarker));
    }
    editor_.setMarginType(SymbolMargin, QsciScintilla::SymbolMargin);
    sci(Sci::SCI_SETMARGINMASKN, SymbolMargin, 1L << ProblemMarker);
    editor_.setMarginWidth(SymbolMargin, 12);
    editor_.setFolding(QsciScintilla::BoxedTreeFoldStyle, FoldMargin);
    sci(Sci::SCI_SETMOUSEDWELLTIME, 500);

    connect(&editor_, &Sci::SCN_MODIFIED, this,
            [this](int, int type, const char*, int length, int, int, int, int, int, int) {
                textModified(type, length);
            });
    connect(&editor_, &Sci::SCN_DWELLSTART, this, &ScriptChecker::dwellStart);
    connect(&editor_, &Sci::SCN_DWELLEND, this, [] { QToolTip::hideText(); });
    editor_.installEventFilter(this);
}

ScriptChecker::~ScriptChecker()
{
    // A check still running posts its result to this object: let it finish first.
    pool_.clear();
    pool_.waitForDone();
}

long ScriptChecker::sci(unsigned int message, unsigned long wParam, long lParam) const
{
    return editor_.SendScintilla(message, wParam, lParam);
}

void ScriptChecker::textModified(int type, int length)
{
    if (!(type & (Sci::SC_MOD_INSERTTEXT | Sci::SC_MOD_DELETETEXT)))
        return;
    ++generation_;
    // Typing waits for a pause; a bulk change (a paste, Replace All, an indented selection, an undo
    // of one) is checked at once, whether it came as one change or as many small ones in a row.
    if (!timer_.isActive())
        unchecked_ = 0;
    unchecked_ += length;
    // Typing puts the check off again; a check already due at once stays so (restarting a timer
    // for each of many small changes costs more than the changes).
    const int delay = unchecked_ >= BulkChange ? 0 : DelayMs;
    if (delay > 0 || !timer_.isActive() || timer_.interval() > 0)
        timer_.start(delay);
}

// A check's text on its way to the worker.
struct ScriptChecker::Feed {
    static constexpr int PieceBytes = 256 * 1024;
    static constexpr int PiecesAhead = 4;
    ScriptStructure::Builder builder;
    QSemaphore room{PiecesAhead};
    std::atomic<bool> dropped{false};
    quint64 generation = 0;
    // Taken from the control: the next byte to copy, and the length; -1 for a text handed over.
    long next = 0;
    long length = -1;
};

void ScriptChecker::startCheck()
{
    if (feed_)
        feed_->dropped = true;
    feed_ = std::make_shared<Feed>();
    feed_->generation = generation_;
    feed_->length = sci(Sci::SCI_GETLENGTH);
    feedMore();
}

void ScriptChecker::feedMore()
{
    const std::shared_ptr<Feed> feed = feed_;
    if (!feed || feed->length < 0)
        return;
    // A change since the check began brings its own check.
    if (feed->generation != generation_) {
        feed->dropped = true;
        feed_.reset();
        return;
    }
    // Copied around the control's gap, which stays where the typing goes on.
    while (feed->next < feed->length && feed->room.tryAcquire()) {
        const long to = std::min<long>(feed->length, feed->next + Feed::PieceBytes);
        QByteArray piece(to - feed->next + 1, Qt::Uninitialized);
        editor_.SendScintilla(Sci::SCI_GETTEXTRANGE, feed->next, to, piece.data());
        piece.truncate(to - feed->next);
        feed->next = to;
        sendPiece(feed, std::move(piece), true);
    }
    if (feed->next >= feed->length) {
        feed_.reset();
        finishFeed(feed);
    }
}

void ScriptChecker::sendPiece(const std::shared_ptr<Feed>& feed, QByteArray piece, bool pull)
{
    pool_.start([this, feed, piece = std::move(piece), pull] {
        if (!feed->dropped)
            feed->builder.add(piece.constData(), std::size_t(piece.size()));
        feed->room.release();
        if (pull)
            QMetaObject::invokeMethod(this, &ScriptChecker::feedMore, Qt::QueuedConnection);
    });
}

void ScriptChecker::finishFeed(std::shared_ptr<Feed> feed)
{
    pool_.start([this, feed = std::move(feed)]() mutable {
        if (feed->dropped)
            return;
        auto structure = std::make_shared<ScriptStructure>(feed->builder.finish());
        const auto generation = feed->generation;
        feed.reset();
#if defined(__GLIBC__)
        // The builder's working memory lies freed between the result's pieces in this thread's heap,
        // where the allocator would keep it for good (1.7 MB after a 10 MB script). Giving it back
        // takes about half a millisecond, here on the worker.
        malloc_trim(0);
#endif
        QMetaObject::invokeMethod(
            this,
            [this, generation, structure] {
                if (generation == generation_)
                    apply(structure);
            },
            Qt::QueuedConnection);
    });
}

void ScriptChecker::textReplaced(const QByteArray& text)
{
    timer_.stop();
    if (feed_)
        feed_->dropped = true;
    feed_.reset();
    auto feed = std::make_shared<Feed>();
    feed->generation = generation_;
    feed->room.acquire();
    sendPiece(feed, text, false);
    finishFeed(std::move(feed));
}

void ScriptChecker::loadBegins()
{
    if (feed_)
        feed_->dropped = true;
    feed_ = std::make_shared<Feed>();
}

void ScriptChecker::loadPiece(QByteArrayView piece)
{
    if (!feed_ || feed_->length >= 0)
        return;
    // Waits while the worker is a few pieces behind: the copies stay few.
    feed_->room.acquire();
    sendPiece(feed_, piece.toByteArray(), false);
}

void ScriptChecker::loadEnded(bool complete)
{
    if (!feed_ || feed_->length >= 0)
        return;
    const std::shared_ptr<Feed> feed = std::exchange(feed_, nullptr);
    if (!complete) {
        feed->dropped = true;
        return;
    }
    timer_.stop();
    feed->generation = generation_;
    finishFeed(feed);
}

void ScriptChecker::checkNow()
{
    timer_.stop();
    if (feed_)
        feed_->dropped = true;
    feed_.reset();
    const long length = sci(Sci::SCI_GETLENGTH);
    const auto* text = static_cast<const char*>(editor_.SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
    apply(std::make_shared<ScriptStructure>(ScriptStructure::analyse(text, std::size_t(length))));
}

const ScriptStructure* ScriptChecker::current() const
{
    return resultGeneration_ == generation_ ? result_.get() : nullptr;
}

void ScriptChecker::apply(std::shared_ptr<ScriptStructure> structure)
{
    levels_ = std::move(structure->foldLevels);
    release(structure->blocks); // nothing shows them: not kept while the script is open
    // The result it replaces goes on the worker: freeing a large one takes a while.
    pool_.start([old = std::exchange(result_, std::move(structure))] {});
    resultGeneration_ = generation_;
    applyFoldLevels();
    applyProblems(*result_);
    emit checked();
}

void ScriptChecker::applyFoldLevels()
{
    // The lines in view first; the rest a slice at a time between other events, as setting a level
    // costs the control about a microsecond and a bulk change can touch every line.
    const auto first = std::size_t(std::max(0L, sci(Sci::SCI_DOCLINEFROMVISIBLE, sci(Sci::SCI_GETFIRSTVISIBLELINE))));
    const std::size_t shown = std::size_t(std::max(1L, sci(Sci::SCI_LINESONSCREEN))) + 1;
    applyLevels(first, first + shown);
    levelsNext_ = 0;
    levelsPending_ = true;
    continueLevels();
}

void ScriptChecker::continueLevels()
{
    // A change since the result was shown brings a result of its own.
    if (!levelsPending_ || !current()) {
        levelsPending_ = false;
        release(levels_);
        return;
    }
    QElapsedTimer slice;
    slice.start();
    const std::size_t n = std::min(std::size_t(sci(Sci::SCI_GETLINECOUNT)), levels_.size());
    while (levelsNext_ < n && slice.elapsed() < 3) {
        const std::size_t to = std::min(n, levelsNext_ + 1024);
        applyLevels(levelsNext_, to);
        levelsNext_ = to;
    }
    levelsPending_ = levelsNext_ < n;
    if (levelsPending_)
        QMetaObject::invokeMethod(this, &ScriptChecker::continueLevels, Qt::QueuedConnection);
    else
        release(levels_); // the control holds them now
}

void ScriptChecker::applyLevels(std::size_t from, std::size_t to)
{
    to = std::min({to, levels_.size(), std::size_t(sci(Sci::SCI_GETLINECOUNT))});
    // Each level set is reported as a change of its own (of the fold and of the margin's markers);
    // a whole script's worth would cost more than the setting. The one thing the reports are needed
    // for is done here: a folded line that stops being a block's first line is unfolded, so no line
    // stays hidden.
    const long eventMask = sci(Sci::SCI_GETMODEVENTMASK);
    sci(Sci::SCI_SETMODEVENTMASK, (unsigned long)(eventMask & ~long(Sci::SC_MOD_CHANGEFOLD | Sci::SC_MOD_CHANGEMARKER)));
    for (std::size_t i = from; i < to; ++i) {
        const int level = Sci::SC_FOLDLEVELBASE + (levels_[i] & ScriptStructure::FoldDepthMask) +
                          ((levels_[i] & ScriptStructure::FoldHeader) ? Sci::SC_FOLDLEVELHEADERFLAG : 0);
        // The base level plus the depth must stay within the level's number bits.
        const int wanted = std::min(level & ~Sci::SC_FOLDLEVELHEADERFLAG, int(Sci::SC_FOLDLEVELNUMBERMASK)) |
                           (level & Sci::SC_FOLDLEVELHEADERFLAG);
        const int held = int(sci(Sci::SCI_GETFOLDLEVEL, (unsigned long)i));
        if (held == wanted)
            continue;
        if (!(wanted & Sci::SC_FOLDLEVELHEADERFLAG) && (held & Sci::SC_FOLDLEVELHEADERFLAG) &&
            !sci(Sci::SCI_GETFOLDEXPANDED, (unsigned long)i))
            sci(Sci::SCI_TOGGLEFOLD, (unsigned long)i);
        sci(Sci::SCI_SETFOLDLEVEL, (unsigned long)i, wanted);
    }
    sci(Sci::SCI_SETMODEVENTMASK, (unsigned long)eventMask);
}

namespace {

// Sorted, disjoint byte ranges [first, second).
using Ranges = std::vector<std::pair<long, long>>;

void addRange(Ranges& ranges, long from, long to)
{
    if (from >= to)
        return;
    if (!ranges.empty() && from <= ranges.back().second)
        ranges.back().second = std::max(ranges.back().second, to);
    else
        ranges.emplace_back(from, to);
}

// The parts of a that b does not cover.
Ranges without(const Ranges& a, const Ranges& b)
{
    Ranges out;
    std::size_t j = 0;
    for (auto [from, to] : a) {
        while (j < b.size() && b[j].second <= from)
            ++j;
        for (std::size_t k = j; k < b.size() && b[k].first < to; ++k) {
            addRange(out, from, std::min(to, b[k].first));
            from = std::max(from, b[k].second);
        }
        addRange(out, from, to);
    }
    return out;
}

} // namespace

void ScriptChecker::applyProblems(const ScriptStructure& structure)
{
    // Only what differs from what the control shows is changed: an edit usually changes little.
    const long length = sci(Sci::SCI_GETLENGTH);
    Ranges wanted;
    std::vector<long> lines;
    for (const ScriptStructure::Problem& p : structure.problems) {
        addRange(wanted, p.pos, std::min<long>(long(p.pos) + p.length, length));
        if (lines.empty() || lines.back() != p.line)
            lines.push_back(p.line);
    }
    Ranges shown;
    for (long pos = 0; pos < length;) {
        const long end = sci(Sci::SCI_INDICATOREND, Indicator, pos);
        if (sci(Sci::SCI_INDICATORVALUEAT, Indicator, pos))
            addRange(shown, pos, end > pos ? end : length);
        if (end <= pos)
            break;
        pos = end;
    }
    sci(Sci::SCI_SETINDICATORCURRENT, Indicator);
    for (const auto& [from, to] : without(shown, wanted))
        sci(Sci::SCI_INDICATORCLEARRANGE, (unsigned long)from, to - from);
    sci(Sci::SCI_SETINDICATORVALUE, 1);
    for (const auto& [from, to] : without(wanted, shown))
        sci(Sci::SCI_INDICATORFILLRANGE, (unsigned long)from, to - from);

    const long mask = 1L << ProblemMarker;
    const auto unmark = [&](long line) {
        // Joined lines keep the marks of both.
        while (sci(Sci::SCI_MARKERGET, (unsigned long)line) & mask)
            sci(Sci::SCI_MARKERDELETE, (unsigned long)line, ProblemMarker);
    };
    long marked = sci(Sci::SCI_MARKERNEXT, 0, mask);
    std::size_t k = 0;
    while (marked >= 0 || k < lines.size()) {
        if (marked >= 0 && (k == lines.size() || marked < lines[k])) {
            unmark(marked);
            marked = sci(Sci::SCI_MARKERNEXT, (unsigned long)marked + 1, mask);
        } else if (marked < 0 || lines[k] < marked) {
            sci(Sci::SCI_MARKERADD, (unsigned long)lines[k++], ProblemMarker);
        } else {
            ++k;
            marked = sci(Sci::SCI_MARKERNEXT, (unsigned long)marked + 1, mask);
        }
    }
}

const ScriptStructure::Problem* ScriptChecker::problemAt(int pos) const
{
    const ScriptStructure* structure = current();
    if (!structure || pos < 0 || pos >= sci(Sci::SCI_GETLENGTH) || !sci(Sci::SCI_INDICATORVALUEAT, Indicator, pos))
        return nullptr;
    // The nearest problem starting at or before the position that covers it.
    const auto& problems = structure->problems;
    auto it = std::upper_bound(problems.begin(), problems.end(), pos,
                               [](int at, const ScriptStructure::Problem& p) { return at < p.pos; });
    while (it != problems.begin()) {
        --it;
        if (pos < it->pos + it->length)
            return &*it;
    }
    return nullptr;
}

QString ScriptChecker::messagesOnLine(int line) const
{
    const ScriptStructure* structure = current();
    if (!structure)
        return {};
    QStringList messages;
    const auto& problems = structure->problems;
    auto it = std::lower_bound(problems.begin(), problems.end(), line,
                               [](const ScriptStructure::Problem& p, int l) { return p.line < l; });
    for (; it != problems.end() && it->line == line; ++it)
        if (!messages.contains(it->message))
            messages << it->message;
    if (!messages.isEmpty() && line == problems.back().line && structure->problemCount > problems.size())
        messages << QStringLiteral("%1 more problems further on are not marked.")
                        .arg(structure->problemCount - problems.size());
    return messages.join(QLatin1Char('\n'));
}

void ScriptChecker::dwellStart(int position, int x, int y)
{
    QString text;
    int marginsWidth = 0;
    for (int margin = 0; margin < 5; ++margin)
        marginsWidth += int(sci(Sci::SCI_GETMARGINWIDTHN, margin));
    if (x < marginsWidth) {
        const long pos = sci(Sci::SCI_POSITIONFROMPOINT, marginsWidth, y);
        text = messagesOnLine(int(sci(Sci::SCI_LINEFROMPOSITION, pos)));
    } else if (const ScriptStructure::Problem* p = problemAt(position)) {
        text = p->message;
    }
    if (!text.isEmpty())
        QToolTip::showText(editor_.viewport()->mapToGlobal(QPoint(x, y)), text, editor_.viewport());
}

void ScriptChecker::foldBlockAt(int line, bool fold)
{
    if (line < 0 || line >= sci(Sci::SCI_GETLINECOUNT))
        return;
    // A block may reach lines whose levels are still to be set.
    if (levelsPending_ && current())
        applyLevels(levelsNext_, levels_.size());
    levelsPending_ = false;
    release(levels_);
    long header = line;
    if (!(sci(Sci::SCI_GETFOLDLEVEL, line) & Sci::SC_FOLDLEVELHEADERFLAG))
        header = sci(Sci::SCI_GETFOLDPARENT, line);
    // Folding again on a folded block folds the one around it.
    if (fold && header >= 0 && !sci(Sci::SCI_GETFOLDEXPANDED, header))
        header = sci(Sci::SCI_GETFOLDPARENT, header);
    if (header < 0)
        return;
    const bool expanded = sci(Sci::SCI_GETFOLDEXPANDED, header) != 0;
    if (expanded == fold)
        sci(Sci::SCI_TOGGLEFOLD, header);
    if (fold) // the caret must not stay on a hidden line
        sci(Sci::SCI_GOTOPOS, sci(Sci::SCI_POSITIONFROMLINE, header));
}

bool ScriptChecker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &editor_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
            const int k = key->key();
            const bool fold = k == Qt::Key_BracketLeft || k == Qt::Key_BraceLeft;
            const bool unfold = k == Qt::Key_BracketRight || k == Qt::Key_BraceRight;
            if (k == Qt::Key_O) {
                openSymbolList();
                return true;
            }
            if (fold || unfold) {
                int line = 0, index = 0;
                editor_.getCursorPosition(&line, &index);
                foldBlockAt(line, fold);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

SymbolList* ScriptChecker::openSymbolList()
{
    if (!current())
        checkNow();
    if (!symbols_) {
        symbols_ = new SymbolList(&editor_);
        connect(symbols_, &SymbolList::lineChosen, this, [this](int line) {
            sci(Sci::SCI_ENSUREVISIBLE, (unsigned long)line);
            sci(Sci::SCI_GOTOLINE, (unsigned long)line);
            editor_.setFocus();
        });
    }
    symbols_->setSymbols(*result_);
    symbols_->setFilter(QString());
    QWidget* view = editor_.viewport();
    symbols_->move(view->mapToGlobal(QPoint(std::max(0, (view->width() - symbols_->width()) / 2), 8)));
    symbols_->show();
    symbols_->filterEdit()->setFocus();
    return symbols_;
}

SymbolList* ScriptChecker::symbolList() const { return symbols_.data(); }

std::optional<QString> ScriptChecker::ownFunctionParameters(const QString& name)
{
    if (!result_)
        checkNow();
    for (const ScriptStructure::Symbol& f : result_->functions) {
        if (QString::fromUtf8(result_->name(f)).compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(result_->parameters(f));
    }
    return std::nullopt;
}
