#pragma once
// The Preferences dialog. Besides being the dialog the user edits, the form is loaded hidden the first
// time anything needs a preference, and from then on its controls ARE the live settings: documents
// take their display settings from ApplyChanges, the run commands read txtKixPath, File Open reads
// txtScriptsPath and the recent-files menu reads cboMRU. OK, Cancel and Escape unload it; the next
// Get() loads it again from the registry.

#include <QDialog>
#include <array>
#include <functional>

class CodeEditor;
class ColorSwatch;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedLayout;
class QTabBar;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    // The loaded form, loading it hidden (and reading the stored preferences) at first use.
    static frmOptions* Get();
    // The loaded form, or nullptr when it is not loaded.
    static frmOptions* IfLoaded();
    // Destroys the loaded form, if any, without writing anything. Safe while it runs modally.
    static void Unload();
    // Shows the form as a modal dialog over the active window; returns when it is closed.
    static void ShowModal();

    // Set by the main window. ActiveEditor: the control of the active document (may create a document;
    // nullptr = nothing to apply to). RecentFilesChanged: rebuild the recent-files menu from cboMRU.
    static inline std::function<CodeEditor*()> ActiveEditor;
    static inline std::function<void()> RecentFilesChanged;

    // Pushes the current control values into the active document's editing control.
    void ApplyChanges();
    // Indentation mode shown by the controls: 0 none, 1 by language scope, 2 as the previous line.
    int GetIndentMode() const;
    // Sets the indentation controls from a stored mode.
    void ShowIndentMode(int mode);

    // Event handlers, public so that the main window and tests can drive the form.
    void Form_Load();
    void tbrOptions_Click();
    void cmdApply_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdDefaults_Click();
    void lblColor_DblClick(int index);
    void optIndent_Click(int index);
    void cboMRU_Click();
    void cmdKixPath_Click();
    void cmdScriptsPath_Click();

    static constexpr int ColorRows = 6;

    // Tab strip and its four page frames.
    QTabBar* tbrOptions = nullptr;
    std::array<QGroupBox*, 4> fraDisplay{};

    // "Color Options": rows Comments, Keywords, Numbers, Operators, Strings, Text.
    std::array<QLabel*, ColorRows> lblColorOpt{};
    std::array<ColorSwatch*, ColorRows> lblColor{};
    std::array<QComboBox*, ColorRows> cmbStyle{};
    QPushButton* cmdDefaults = nullptr;

    // "Display Options".
    QGroupBox* fraFont = nullptr;
    QLabel* lblFont = nullptr;
    QComboBox* cboFont = nullptr;
    QLabel* lblFontSize = nullptr;
    QComboBox* cboFontSize = nullptr;
    QGroupBox* fraMisc = nullptr;
    QCheckBox* chkWhiteSpaces = nullptr;
    QCheckBox* chkLineNo = nullptr;
    QLabel* lblTabSize = nullptr;
    QComboBox* cboTabSize = nullptr;
    QLabel* lblMRU = nullptr;
    QComboBox* cboMRU = nullptr;
    QGroupBox* fraIndent = nullptr;
    std::array<QRadioButton*, 2> optIndent{};
    QCheckBox* chkIndent = nullptr;

    // "File Path Options".
    QLabel* lblKixPath = nullptr;
    QLineEdit* txtKixPath = nullptr;
    QPushButton* cmdKixPath = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblScriptsPath = nullptr;
    QLineEdit* txtScriptsPath = nullptr;
    QPushButton* cmdScriptsPath = nullptr;
    QLabel* Label2 = nullptr;

    // "Script Auto Header".
    QCheckBox* chkAppend = nullptr;
    QPlainTextEdit* txtAppend = nullptr;
    QLabel* lblAppend = nullptr;

    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

public slots:
    // Escape and the window's close button end the dialog as Cancel does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    frmOptions();
    ~frmOptions() override;

    QGroupBox* buildColorPage();
    QGroupBox* buildDisplayPage();
    QGroupBox* buildPathsPage();
    QGroupBox* buildHeaderPage();
    void connectHandlers();

    QStackedLayout* pages_ = nullptr;

    static inline frmOptions* loaded_ = nullptr;
};
