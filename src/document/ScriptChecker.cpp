#include "document/ScriptChecker.h"
#include "document/SymbolList.h"

#include <Qsci/qsciscintilla.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QSet>
#include <QToolTip>

#include <utility>

namespace {
using Sci = QsciScintillaBase;
constexpr unsigned long kSquiggleColour = 0x0000FF; // red, 0x00BBGGRR
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

    appliedLevels_.assign(std::size_t(std::max(1L, sci(Sci::SCI_GETLINECOUNT))), -1);

    connect(&editor_, &Sci::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int, int added, int, int, int, int, int) {
                textModified(position, type, added);
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

void ScriptChecker::textModified(int position, int type, int linesAdded)
{
    if (!(type & (Sci::SC_MOD_INSERTTEXT | Sci::SC_MOD_DELETETEXT)))
        return;
    ++generation_;
    timer_.start();
    // Follow the control's lines: the lines an edit touched hold levels we no longer know.
    const auto line = std::size_t(std::max(0L, sci(Sci::SCI_LINEFROMPOSITION, position)));
    if (line >= appliedLevels_.size())
        appliedLevels_.resize(line + 1, -1);
    if (linesAdded > 0) {
        appliedLevels_.insert(appliedLevels_.begin() + std::ptrdiff_t(line) + 1, std::size_t(linesAdded), -1);
    } else if (linesAdded < 0) {
        const std::size_t from = std::min(line + 1, appliedLevels_.size());
        const std::size_t to = std::min(from + std::size_t(-linesAdded), appliedLevels_.size());
        appliedLevels_.erase(appliedLevels_.begin() + std::ptrdiff_t(from), appliedLevels_.begin() + std::ptrdiff_t(to));
    }
    appliedLevels_[line] = -1;
}

QByteArray ScriptChecker::snapshot() const
{
    // Copied around the control's gap, which stays where the typing goes on.
    const long length = sci(Sci::SCI_GETLENGTH);
    QByteArray text(length + 1, Qt::Uninitialized);
    editor_.SendScintilla(Sci::SCI_GETTEXTRANGE, 0L, length, text.data());
    text.truncate(length);
    return text;
}

void ScriptChecker::startCheck()
{
    if (std::exchange(checkInPlace_, false)) {
        checkNow();
        return;
    }
    const quint64 generation = generation_;
    pool_.start([this, generation, text = snapshot()] {
        auto structure = std::make_shared<const ScriptStructure>(ScriptStructure::analyse(text));
        QMetaObject::invokeMethod(
            this,
            [this, generation, structure] {
                // A change since the copy was taken brings its own check.
                if (generation == generation_)
                    apply(structure);
            },
            Qt::QueuedConnection);
    });
}

void ScriptChecker::checkNow()
{
    timer_.stop();
    const long length = sci(Sci::SCI_GETLENGTH);
    const auto* text = static_cast<const char*>(editor_.SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
    apply(std::make_shared<const ScriptStructure>(ScriptStructure::analyse(text, std::size_t(length))));
}

const ScriptStructure* ScriptChecker::current() const
{
    return resultGeneration_ == generation_ ? result_.get() : nullptr;
}

void ScriptChecker::apply(std::shared_ptr<const ScriptStructure> structure)
{
    result_ = std::move(structure);
    resultGeneration_ = generation_;
    applyFoldLevels(result_->foldLevels);
    applyProblems(*result_);
    emit checked();
}

void ScriptChecker::applyFoldLevels(const std::vector<int>& levels)
{
    const auto lines = std::size_t(sci(Sci::SCI_GETLINECOUNT));
    if (appliedLevels_.size() != lines)
        appliedLevels_.assign(lines, -1);
    const std::size_t n = std::min(lines, levels.size());
    // Each level set is reported as a change of its own; a whole script's worth would cost more
    // than the setting. The one thing the reports are needed for is done here: a folded line that
    // stops being a block's first line is unfolded, so no line stays hidden.
    const long eventMask = sci(Sci::SCI_GETMODEVENTMASK);
    sci(Sci::SCI_SETMODEVENTMASK, (unsigned long)(eventMask & ~long(Sci::SC_MOD_CHANGEFOLD)));
    for (std::size_t i = 0; i < n; ++i) {
        const int level = Sci::SC_FOLDLEVELBASE + (levels[i] & ScriptStructure::FoldDepthMask) +
                          ((levels[i] & ScriptStructure::FoldHeader) ? Sci::SC_FOLDLEVELHEADERFLAG : 0);
        // The base level plus the depth must stay within the level's number bits.
        const int wanted = std::min(level & ~Sci::SC_FOLDLEVELHEADERFLAG, int(Sci::SC_FOLDLEVELNUMBERMASK)) |
                           (level & Sci::SC_FOLDLEVELHEADERFLAG);
        if (appliedLevels_[i] != wanted) {
            const int held = appliedLevels_[i] >= 0 ? appliedLevels_[i] : int(sci(Sci::SCI_GETFOLDLEVEL, (unsigned long)i));
            if (!(wanted & Sci::SC_FOLDLEVELHEADERFLAG) && (held & Sci::SC_FOLDLEVELHEADERFLAG) &&
                !sci(Sci::SCI_GETFOLDEXPANDED, (unsigned long)i))
                sci(Sci::SCI_TOGGLEFOLD, (unsigned long)i);
            sci(Sci::SCI_SETFOLDLEVEL, (unsigned long)i, wanted);
            appliedLevels_[i] = wanted;
        }
    }
    sci(Sci::SCI_SETMODEVENTMASK, (unsigned long)eventMask);
}

void ScriptChecker::applyProblems(const ScriptStructure& structure)
{
    const long length = sci(Sci::SCI_GETLENGTH);
    sci(Sci::SCI_SETINDICATORCURRENT, Indicator);
    sci(Sci::SCI_INDICATORCLEARRANGE, 0, length);
    for (const int handle : markerHandles_)
        sci(Sci::SCI_MARKERDELETEHANDLE, (unsigned long)handle);
    markerHandles_.clear();
    int index = 0;
    for (const ScriptStructure::Problem& p : structure.problems) {
        ++index;
        sci(Sci::SCI_SETINDICATORVALUE, (unsigned long)index);
        sci(Sci::SCI_INDICATORFILLRANGE, (unsigned long)p.pos, std::min<long>(p.length, length - p.pos));
        if (!(sci(Sci::SCI_MARKERGET, p.line) & (1L << ProblemMarker)))
            markerHandles_.push_back(int(sci(Sci::SCI_MARKERADD, p.line, ProblemMarker)));
    }
}

const ScriptStructure::Problem* ScriptChecker::problemAt(int pos) const
{
    if (!result_ || pos < 0 || pos >= sci(Sci::SCI_GETLENGTH))
        return nullptr;
    const long value = sci(Sci::SCI_INDICATORVALUEAT, Indicator, pos);
    if (value < 1 || std::size_t(value) > result_->problems.size())
        return nullptr;
    return &result_->problems[std::size_t(value - 1)];
}

QString ScriptChecker::messagesOnLine(int line) const
{
    if (!result_ || line < 0 || line >= sci(Sci::SCI_GETLINECOUNT))
        return {};
    QStringList messages;
    long pos = sci(Sci::SCI_POSITIONFROMLINE, line);
    const long end = sci(Sci::SCI_GETLINEENDPOSITION, line);
    while (pos < end) {
        if (const ScriptStructure::Problem* p = problemAt(int(pos)); p && !messages.contains(p->message))
            messages << p->message;
        const long next = sci(Sci::SCI_INDICATOREND, Indicator, pos);
        pos = next > pos ? next : pos + 1;
    }
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
        if (QString::fromUtf8(f.name).compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(f.parameters);
    }
    return std::nullopt;
}
