#pragma once
// The about box: product name and version, copyright lines, the licence text from "license.txt"
// beside the program, and two links that open web sites in the browser. Loaded at first use,
// shown modeless, hidden by OK or Esc and shown again as it was; the main window unloads it.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    struct Links {
        QString productSite; // opened by the "here." link
        QString makerSite;   // opened by the product picture
    };

    // The loaded box, loading it (hidden) at first use over the given window.
    static frmAbout* Get(const Links& links, QWidget* owner = nullptr);
    static frmAbout* IfLoaded();
    static void Unload();

    // programFolder: where "license.txt" is looked for; empty = the program's own folder.
    explicit frmAbout(const Links& links, const QString& programFolder = QString(), QWidget* parent = nullptr);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCopyright = nullptr;
    QPlainTextEdit* txtLicense = nullptr;
    QLabel* txtLicenseLink = nullptr;
    QLabel* picIcon = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* cmdOK = nullptr;

    // True when the licence text came from the file.
    bool licenseLoaded() const { return licenseLoaded_; }

    void txtLicenseLink_Click();
    void picIcon_Click();
    void cmdOK_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load(const QString& programFolder);

    Links links_;
    bool licenseLoaded_ = false;
};
