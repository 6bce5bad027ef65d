#pragma once
// "Variable List": the "$" names of the active script, listed once, 100 ms after the window opens.
// Double-clicking a name looks for it in the script and opens find-and-replace with it. Stays on top
// of other windows; closing it destroys it.

#include <QWidget>

class QLabel;
class QListView;
class QModelIndex;
class QPushButton;
class QStringListModel;
class QTimer;
class VarListHost;

class frmVarList : public QWidget {
    Q_OBJECT
public:
    explicit frmVarList(VarListHost* host, QWidget* parent = nullptr);

    // The list shows a model of the names: half a million go in at once, without an item each.
    QListView* lstVarList = nullptr;
    QLabel* lblVarList = nullptr;
    QPushButton* cmdClose = nullptr;
    QTimer* Timer = nullptr;

    // Lists the names of the active script's text, replacing the list.
    void ScanVariables();
    void lstVarList_DblClick(const QModelIndex& index);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    VarListHost* host_;
    QStringListModel* names_ = nullptr;
    bool closed_ = false;
};
