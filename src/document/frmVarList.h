#pragma once
// "Variable List": the "$" names of the active script, listed once, 100 ms after the window opens.
// Double-clicking a name looks for it in the script and opens find-and-replace with it. Stays on top
// of other windows; closing it destroys it.

#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;
class VarListHost;

class frmVarList : public QWidget {
    Q_OBJECT
public:
    explicit frmVarList(VarListHost* host, QWidget* parent = nullptr);

    QListWidget* lstVarList = nullptr;
    QLabel* lblVarList = nullptr;
    QPushButton* cmdClose = nullptr;
    QTimer* Timer = nullptr;

    // Lists the names of the active script's text, replacing the list.
    void ScanVariables();
    void lstVarList_DblClick(QListWidgetItem* item);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    VarListHost* host_;
    bool closed_ = false;
};
