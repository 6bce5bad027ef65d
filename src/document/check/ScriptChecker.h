#pragma once
// The live structure check of one editing control: a short pause after the last change, the script
// is checked on a worker thread; the results come back as squiggles under the words concerned, a
// marker in the symbol margin, a tooltip with the sentence while the mouse rests there, and the
// fold levels of the fold margin. The GUI thread only copies the text and applies what changed.

#include "document/check/ScriptStructure.h"

#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QsciScintilla;
class SymbolList;

class ScriptChecker : public QObject {
    Q_OBJECT
public:
    static constexpr int Indicator = 10;     // squiggle under the words of a problem
    static constexpr int ProblemMarker = 21; // in the symbol margin
    static constexpr int SymbolMargin = 1;
    static constexpr int FoldMargin = 2;
    static constexpr int DelayMs = 300;
    static constexpr int BulkChange = 64 * 1024; // bytes changed in a row that are checked without delay

    explicit ScriptChecker(QsciScintilla& editor);
    ~ScriptChecker() override;

    // Checks at once on the GUI thread and applies the result (tests, the symbol list).
    void checkNow();
    // A whole new text is being put in: piece by piece as a file is read (each piece is checked on
    // the worker as it comes, so the text is never held twice), or given whole (shared, not copied).
    // The result is shown unless the text changes before it is ready.
    void loadBegins();
    void loadPiece(QByteArrayView piece);
    void loadEnded(bool complete); // false: the load failed, its check is dropped
    void textReplaced(const QByteArray& text);
    // The structure of the text as it stands, or nullptr while a change awaits its check. Its blocks
    // and fold levels are not kept (the control holds the levels).
    const ScriptStructure* current() const;
    // The problem whose squiggle covers the byte position, or nullptr (also while a change awaits
    // its check).
    const ScriptStructure::Problem* problemAt(int pos) const;
    // The sentences of the problems marked on a line, one per line of text.
    QString messagesOnLine(int line) const;

    // Shows a result computed from the text as it stands (the GUI thread's last step of a check):
    // the fold levels of the lines in view at once, the others a slice at a time after it. The levels
    // are moved out of the result and dropped once the control holds them all.
    void apply(std::shared_ptr<ScriptStructure> structure);
    bool foldLevelsPending() const { return levelsPending_; }

    // The parameter text of the script's own Function of that name (letter case ignored) as of the
    // latest check, or nothing when the script defines no such Function.
    std::optional<QString> ownFunctionParameters(const QString& name);

    // Folds or unfolds the block that holds the line.
    void foldBlockAt(int line, bool fold);
    // Opens the list of the script's Functions and labels; choosing one goes to its line.
    SymbolList* openSymbolList();
    SymbolList* symbolList() const;

signals:
    void checked(); // a result has been applied

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textModified(int type, int length);
    struct Feed;
    void startCheck();
    void feedMore();
    void sendPiece(const std::shared_ptr<Feed>& feed, QByteArray piece, bool pull);
    void finishFeed(std::shared_ptr<Feed> feed);
    void applyFoldLevels();
    void continueLevels();
    void applyLevels(std::size_t from, std::size_t to);
    void applyProblems(const ScriptStructure& structure);
    void dwellStart(int position, int x, int y);
    long sci(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;

    QsciScintilla& editor_;
    QTimer timer_;
    qint64 unchecked_ = 0; // bytes changed since the timer was last started from idle
    QThreadPool pool_;
    quint64 generation_ = 0; // counts changes of the text
    // The check under way: the text goes to the worker in pieces, a few at a time, so that it is
    // never copied whole and the GUI thread never copies much at once.
    std::shared_ptr<Feed> feed_;
    std::shared_ptr<const ScriptStructure> result_;
    quint64 resultGeneration_ = ~quint64(0);
    // Levels of the result still to be set, from this line on (those the control holds are skipped).
    std::vector<std::uint16_t> levels_;
    bool levelsPending_ = false;
    std::size_t levelsNext_ = 0;
    QPointer<SymbolList> symbols_;
};
