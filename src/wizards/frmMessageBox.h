#pragma once
// The MessageBox wizard: builds a KiXtart Messagebox call from a text, a title, style choices and an
// optional timeout, shows it as it is built, and inserts it at the caret of the active script.

#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class WizardHost;

class frmMessageBox : public QDialog {
    Q_OBJECT
public:
    // Made with WA_DeleteOnClose: Insert, Cancel and Esc end it.
    explicit frmMessageBox(WizardHost* host, QWidget* parent = nullptr);

    // The window's own values.
    QString MsgText;
    QString MsgTitle;
    int MsgStyle = 16;
    int MsgTimeout = 0;

    void CalcStyle();
    void BuildResult(bool rewriteText);
    // The generated text as it would be inserted (txtResultText shows it).
    QString ResultText() const { return result_; }

    QTabWidget* tabMessageBox = nullptr;
    std::array<QGroupBox*, 4> fraMessageBox{};
    QLineEdit* txtTitle = nullptr;
    QPlainTextEdit* txtText = nullptr;
    std::array<QRadioButton*, 6> optButton{};
    std::array<QRadioButton*, 4> optIcon{};
    std::array<QRadioButton*, 3> optDefault{};
    std::array<QRadioButton*, 2> optModality{};
    QCheckBox* chkEnableTimeout = nullptr;
    QLineEdit* txtTimeout = nullptr;
    QPlainTextEdit* txtReturns = nullptr;
    QPlainTextEdit* txtResultText = nullptr;
    QPushButton* cmdInsert = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdInsert_Click();
    void optButton_Click(int index);
    void chkEnableTimeout_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTitleAndText();
    void buildStyle();
    void buildTimeout();
    void buildReturns();
    void txtText_Change();
    void txtTitle_Change();
    void txtTimeout_Change();
    void setTimeoutBoxEnabled(bool on);
    static void showText(QPlainTextEdit* box, const QString& text);

    WizardHost* host_;
    QString result_;
};
