#pragma once
// The Insert wizard: character codes, a colour statement, an INI read or write call and an
// environment-variable reference, each generated into one editable output box whose text Insert
// puts at the caret of the active script.

#include "wizards/clsIni.h"

#include <QDialog>
#include <QPalette>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class WizardHost;

class frmChr : public QDialog {
    Q_OBJECT
public:
    // Made with WA_DeleteOnClose: Insert, Cancel and Esc end it. The INI class may be given a store
    // of the caller's choice (tests); by default it uses the system's.
    explicit frmChr(WizardHost* host, QWidget* parent = nullptr,
                    std::shared_ptr<platform::IniStore> iniStore = platform::defaultIniStore());

    clsIni mIni;

    QTabWidget* tabWizard = nullptr;
    std::array<QGroupBox*, 4> fraWizard{};
    QLineEdit* txtText = nullptr;
    std::array<QRadioButton*, 5> optChar{};
    QCheckBox* chkEnable = nullptr; // chkEnable(1), the only member of its array
    QCheckBox* chkBold = nullptr;
    QCheckBox* chkBlink = nullptr;
    QComboBox* cboForeground = nullptr;
    QComboBox* cboBackground = nullptr;
    QLineEdit* txtFileName = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QComboBox* cboSection = nullptr;
    QComboBox* cboKey = nullptr;
    QLineEdit* txtValue = nullptr;
    QPushButton* cmdRetrieve = nullptr;
    QListWidget* lstEnviron = nullptr;
    QPlainTextEdit* txtOutput = nullptr;
    QPushButton* cmdInsert = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Handlers the window's controls run (public so that tests can drive them as a click would).
    void optChar_Click(int index);
    void chkEnable_Click();
    void chkBold_Click();
    void cboForeground_Click();
    void cboBackground_Click();
    void cmdBrowse_Click();
    void cmdRetrieve_Click();
    void cboSection_Click(); // a section picked in the list
    void lstEnviron_DblClick(QListWidgetItem* item);
    void cmdInsert_Click();

private:
    void buildCharacterPage();
    void buildColorPage();
    void buildIniPage();
    void buildEnvironmentPage();
    void txtText_Change();
    void cboSection_Change(); // the section typed
    void setOutput(const QString& text);
    void BuildChrCodes();
    void BuildColorCode();
    void BuildIniCode();
    void previewColor(QPalette::ColorRole role, const QComboBox* list);

    WizardHost* host_;
    bool pickingSection_ = false;
};
