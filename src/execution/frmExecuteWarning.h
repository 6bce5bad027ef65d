#pragma once
// The question before a changed script runs: save it first (Yes), run the saved file as it is (No), or
// do not run (Cancel). Loaded at first use, hidden and reused until the main window unloads it.

#include <QDialog>
#include <functional>

class ExecutionHost;
class QLabel;
class QPushButton;

class frmExecuteWarning : public QDialog {
    Q_OBJECT
public:
    // The form, loading it on first use. The host's Save command runs on Yes.
    static frmExecuteWarning* Get(ExecutionHost& host);
    static frmExecuteWarning* IfLoaded();
    static void Unload();
    ~frmExecuteWarning() override;

    // Shows the form modally and returns when it is hidden again.
    void ShowModal();
    // True after Cancel; False after Yes, No or a close by the window frame.
    bool CancelAction() const { return cancelAction_; }

    // Runs the modal show instead of the event loop (tests answer the form through it).
    static inline std::function<void(frmExecuteWarning&)> ModalRunner;

    QLabel* Image1 = nullptr;
    QLabel* lblExecuteWarning = nullptr;
    QPushButton* cmdYes = nullptr;
    QPushButton* cmdNo = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    frmExecuteWarning(ExecutionHost& host, QWidget* parent);
    void Form_Activate();
    void cmdYes_Click();
    void cmdNo_Click();
    void cmdCancel_Click();

    ExecutionHost* host_;
    bool cancelAction_ = false;
    static inline frmExecuteWarning* loaded_ = nullptr;
};
