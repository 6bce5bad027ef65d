#pragma once
// The small list of a script's Functions and labels with their line numbers that "go to symbol"
// opens over the editor: typing filters it (letter case ignored), Up and Down choose, Enter jumps
// to the chosen line, Escape or a click elsewhere closes it.

#include "document/check/ScriptStructure.h"

#include <QFrame>

class QLineEdit;
class QTreeWidget;

class SymbolList : public QFrame {
    Q_OBJECT
public:
    explicit SymbolList(QWidget* editor);

    void setSymbols(const ScriptStructure& structure);
    void setFilter(const QString& text);
    // The lines of the entries shown now, in order.
    QList<int> shownLines() const;
    QLineEdit* filterEdit() const { return filter_; }

signals:
    void lineChosen(int line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose();

    QLineEdit* filter_;
    QTreeWidget* list_;
};
