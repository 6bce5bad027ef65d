#include "wizards/frmChr.h"

#include "platform/DialogService.h"
#include "wizards/InsertCode.h"
#include "wizards/basFunctions.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

using basFunctions::MenuColor;
using basFunctions::SetBoxBackground;

template <typename W>
W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

frmChr::frmChr(WizardHost* host, QWidget* parent, std::shared_ptr<platform::IniStore> iniStore)
    : QDialog(parent), mIni(std::move(iniStore)), host_(host)
{
    setObjectName(QStringLiteral("frmChr"));
    setWindowTitle(QStringLiteral("Wizards Dialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The wizard stays on top: a message of its INI object must come up over it.
    mIni.setMessageOwner(this);

    tabWizard = named(new QTabWidget(this), QStringLiteral("tabWizard"));
    tabWizard->setUsesScrollButtons(false); // all four tabs in view: the window grows to fit them
    const char* tabs[] = {"Insert Character", "Insert Color", "INI File Read/Write", "Environment"};
    const char* frames[] = {"Select which character(s) to insert", "Select Foreground and Background Color",
                            "INI File Operations", "Select Environment Variable to Insert"};
    for (int i = 0; i < 4; ++i) {
        fraWizard[size_t(i)] = named(new QGroupBox(QString::fromLatin1(frames[i])), QStringLiteral("fraWizard(%1)").arg(i));
        auto* page = new QWidget;
        (new QVBoxLayout(page))->addWidget(fraWizard[size_t(i)]);
        tabWizard->addTab(page, QString::fromLatin1(tabs[i]));
    }

    auto* outputFrame = new QGroupBox(QStringLiteral("Inserted Text (editable)"), this);
    txtOutput = named(new QPlainTextEdit(outputFrame), QStringLiteral("txtOutput"));
    txtOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOutput->setTabChangesFocus(true);
    txtOutput->setMaximumHeight(80);
    (new QVBoxLayout(outputFrame))->addWidget(txtOutput);

    cmdInsert = named(new QPushButton(QStringLiteral("&Insert"), this), QStringLiteral("cmdInsert"));
    cmdCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("cmdCancel"));
    cmdInsert->setDefault(true);
    cmdInsert->setEnabled(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdInsert, &QPushButton::clicked, this, &frmChr::cmdInsert_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Whatever changes the output, a generator or the user's typing, decides whether there is anything
    // to insert.
    connect(txtOutput, &QPlainTextEdit::textChanged, this,
            [this] { cmdInsert->setEnabled(!txtOutput->toPlainText().isEmpty()); });

    buildCharacterPage();
    buildColorPage();
    buildIniPage();
    buildEnvironmentPage();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdInsert);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabWizard);
    layout->addWidget(new QLabel(QStringLiteral("Script Output:"), this));
    layout->addWidget(outputFrame);
    layout->addLayout(buttons);

    basFunctions::SetTopMost(this, true);
}

// ---- Character codes -------------------------------------------------------------------------------

void frmChr::buildCharacterPage()
{
    QGroupBox* box = fraWizard[0];
    txtText = named(new QLineEdit(box), QStringLiteral("txtText"));
    auto* group = new QButtonGroup(this);
    auto* layout = new QGridLayout(box);
    const char* captions[] = {"Enter Key", "Backspace Key", "Tab Key", "Escape Key", "Text"};
    const char* tags[] = {"Chr(13) + Chr(10)", "Chr(8)", "Chr(9)", "Chr(27)", ""};
    for (int i = 0; i < 5; ++i) {
        auto* button = named(new QRadioButton(QString::fromLatin1(captions[i]), box), QStringLiteral("optChar(%1)").arg(i));
        button->setProperty("tag", QString::fromLatin1(tags[i]));
        group->addButton(button);
        optChar[size_t(i)] = button;
        layout->addWidget(button, i, 0);
        connect(button, &QRadioButton::clicked, this, [this, i] { optChar_Click(i); });
    }
    layout->addWidget(txtText, 4, 1);
    layout->setColumnStretch(1, 1);
    optChar[4]->setChecked(true);
    connect(txtText, &QLineEdit::textChanged, this, &frmChr::txtText_Change);
}

void frmChr::setOutput(const QString& text)
{
    if (txtOutput->toPlainText() != text)
        txtOutput->setPlainText(text);
}

void frmChr::BuildChrCodes()
{
    setOutput(InsertCode::BuildChrCodes(txtText->text()));
}

void frmChr::txtText_Change()
{
    cmdInsert->setEnabled(!txtText->text().isEmpty());
    BuildChrCodes();
}

void frmChr::optChar_Click(int index)
{
    optChar[size_t(index)]->setChecked(true);
    setOutput(optChar[size_t(index)]->property("tag").toString());
    const bool text = index == 4;
    txtText->setEnabled(text);
    cmdInsert->setEnabled(!txtText->text().isEmpty() || !text);
    SetBoxBackground(txtText, text ? QColor(Qt::white) : MenuColor());
    if (text)
        BuildChrCodes();
}

// ---- Colour statement ------------------------------------------------------------------------------

void frmChr::buildColorPage()
{
    QGroupBox* box = fraWizard[1];
    chkEnable = named(new QCheckBox(QStringLiteral("Enable Changes"), box), QStringLiteral("chkEnable(1)"));
    chkBold = named(new QCheckBox(QStringLiteral("&Enable Intensify"), box), QStringLiteral("chkBold"));
    chkBlink = named(new QCheckBox(QStringLiteral("Enable &Blink"), box), QStringLiteral("chkBlink"));
    cboForeground = named(new QComboBox(box), QStringLiteral("cboForeground"));
    cboBackground = named(new QComboBox(box), QStringLiteral("cboBackground"));
    for (const InsertCode::ColorChoice& color : InsertCode::Colors()) {
        cboForeground->addItem(color.name);
        cboBackground->addItem(color.name);
    }
    cboForeground->setCurrentIndex(-1);
    cboBackground->setCurrentIndex(-1);
    for (QWidget* w : {static_cast<QWidget*>(chkBold), static_cast<QWidget*>(chkBlink),
                       static_cast<QWidget*>(cboForeground), static_cast<QWidget*>(cboBackground)})
        w->setEnabled(false);
    SetBoxBackground(cboForeground, MenuColor());
    SetBoxBackground(cboBackground, MenuColor());

    auto* grid = new QGridLayout(box);
    grid->addWidget(chkEnable, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Foreground Color"), box), 1, 0);
    grid->addWidget(cboForeground, 1, 1);
    grid->addWidget(chkBold, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Background Color"), box), 2, 0);
    grid->addWidget(cboBackground, 2, 1);
    grid->addWidget(chkBlink, 2, 2);
    grid->setRowStretch(3, 1);

    connect(chkEnable, &QCheckBox::clicked, this, &frmChr::chkEnable_Click);
    connect(chkBold, &QCheckBox::clicked, this, &frmChr::chkBold_Click);
    connect(chkBlink, &QCheckBox::clicked, this, &frmChr::BuildColorCode);
    connect(cboForeground, &QComboBox::activated, this, &frmChr::cboForeground_Click);
    connect(cboBackground, &QComboBox::activated, this, &frmChr::cboBackground_Click);
}

void frmChr::BuildColorCode()
{
    setOutput(InsertCode::BuildColorCode(cboForeground->currentText(), chkBold->isChecked(),
                                         cboBackground->currentText(), chkBlink->isChecked()));
}

void frmChr::chkEnable_Click()
{
    const bool on = chkEnable->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(chkBold), static_cast<QWidget*>(chkBlink),
                       static_cast<QWidget*>(cboForeground), static_cast<QWidget*>(cboBackground)})
        w->setEnabled(on);
    if (on) {
        SetBoxBackground(cboForeground, Qt::white);
        SetBoxBackground(cboBackground, Qt::white);
        cboForeground->setCurrentText(QStringLiteral("White"));
        cboForeground_Click();
        cboBackground->setCurrentText(QStringLiteral("Normal (black)"));
        cboBackground_Click();
        BuildColorCode();
    } else {
        SetBoxBackground(cboForeground, MenuColor());
        SetBoxBackground(cboBackground, MenuColor());
        QPalette palette = txtOutput->palette();
        palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
        palette.setColor(QPalette::Text, QApplication::palette().color(QPalette::Text));
        txtOutput->setPalette(palette);
        QFont font = txtOutput->font();
        font.setBold(false);
        txtOutput->setFont(font);
    }
}

void frmChr::previewColor(QPalette::ColorRole role, const QComboBox* list)
{
    const QColor color = InsertCode::PreviewColor(list->currentText());
    if (color.isValid()) {
        QPalette palette = txtOutput->palette();
        palette.setColor(role, color);
        txtOutput->setPalette(palette);
    }
    BuildColorCode();
}

void frmChr::cboForeground_Click()
{
    previewColor(QPalette::Text, cboForeground);
}

void frmChr::cboBackground_Click()
{
    previewColor(QPalette::Base, cboBackground);
}

void frmChr::chkBold_Click()
{
    QFont font = txtOutput->font();
    font.setBold(chkBold->isChecked());
    txtOutput->setFont(font);
    BuildColorCode();
}

// ---- INI call --------------------------------------------------------------------------------------

void frmChr::buildIniPage()
{
    QGroupBox* box = fraWizard[2];
    txtFileName = named(new QLineEdit(box), QStringLiteral("txtFileName"));
    cmdBrowse = named(new QPushButton(QStringLiteral("..."), box), QStringLiteral("cmdBrowse"));
    cmdBrowse->setAutoDefault(false);
    cboSection = named(new QComboBox(box), QStringLiteral("cboSection"));
    cboKey = named(new QComboBox(box), QStringLiteral("cboKey"));
    for (QComboBox* combo : {cboSection, cboKey}) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert); // typing never adds to the list
    }
    txtValue = named(new QLineEdit(box), QStringLiteral("txtValue"));
    cmdRetrieve = named(new QPushButton(QStringLiteral("&Retrieve File Info"), box), QStringLiteral("cmdRetrieve"));
    cmdRetrieve->setAutoDefault(false);

    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("File Name"), box), 0, 0);
    grid->addWidget(txtFileName, 0, 1);
    grid->addWidget(cmdBrowse, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Section"), box), 1, 0);
    grid->addWidget(cboSection, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Key"), box), 2, 0);
    grid->addWidget(cboKey, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Value (only for write)"), box), 3, 0);
    grid->addWidget(txtValue, 3, 1);
    grid->addWidget(cmdRetrieve, 4, 1);

    connect(txtFileName, &QLineEdit::textChanged, this, &frmChr::BuildIniCode);
    connect(txtValue, &QLineEdit::textChanged, this, &frmChr::BuildIniCode);
    connect(cboKey, &QComboBox::editTextChanged, this, &frmChr::BuildIniCode);
    connect(cboSection, &QComboBox::editTextChanged, this, [this] {
        if (!pickingSection_)
            cboSection_Change();
    });
    connect(cboSection, &QComboBox::activated, this, &frmChr::cboSection_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmChr::cmdBrowse_Click);
    connect(cmdRetrieve, &QPushButton::clicked, this, &frmChr::cmdRetrieve_Click);
}

void frmChr::BuildIniCode()
{
    setOutput(InsertCode::BuildIniCode(txtFileName->text(), cboSection->currentText(), cboKey->currentText(),
                                       txtValue->text()));
}

void frmChr::cboSection_Change()
{
    // Emptying the key list would clear what the key box shows; keep it while typing a section.
    const QString key = cboKey->currentText();
    cboKey->clear();
    cboKey->setEditText(key);
    BuildIniCode();
}

void frmChr::cmdBrowse_Click()
{
    platform::FileDialogRequest request;
    request.filter = QStringLiteral("Ini Files (*.ini *.INI);;All Files (*)");
    request.mustExist = true;
    const QString chosen = platform::dialogs().openFileName(this, request);
    // The path goes into the script as the system writes it.
    if (!chosen.isEmpty())
        txtFileName->setText(QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()));
}

void frmChr::cmdRetrieve_Click()
{
    pickingSection_ = true;
    cboSection->clear();
    pickingSection_ = false;
    const QString name = txtFileName->text();
    if (name.trimmed().isEmpty() || !QFileInfo(name).isFile())
        return;
    mIni.setFullPath(name);
    QStringList sections;
    if (mIni.GetSectionsEx(sections) == 0)
        return;
    pickingSection_ = true;
    cboSection->addItems(sections);
    cboSection->setCurrentIndex(0);
    pickingSection_ = false;
    cboSection_Click();
}

void frmChr::cboSection_Click()
{
    cboKey->clear();
    BuildIniCode();
    const QString section = cboSection->currentText();
    if (!mIni.SectExist(section))
        return;
    mIni.setSectionName(section);
    std::array<QStringList, 2> entries;
    if (mIni.GetSectEntriesEx(entries) > 0) {
        cboKey->addItems(entries[0]);
        cboKey->setCurrentIndex(0);
        BuildIniCode();
    }
}

// ---- Environment -----------------------------------------------------------------------------------

void frmChr::buildEnvironmentPage()
{
    QGroupBox* box = fraWizard[3];
    lstEnviron = named(new QListWidget(box), QStringLiteral("lstEnviron"));
    (new QVBoxLayout(box))->addWidget(lstEnviron);
    for (const QString& entry : QProcessEnvironment::systemEnvironment().toStringList()) {
        const QString line = InsertCode::EnvironmentLine(entry);
        if (!line.isEmpty())
            lstEnviron->addItem(line);
    }
    connect(lstEnviron, &QListWidget::itemDoubleClicked, this, &frmChr::lstEnviron_DblClick);
}

void frmChr::lstEnviron_DblClick(QListWidgetItem* item)
{
    if (item)
        setOutput(InsertCode::EnvironmentReference(item->text()));
}

// ---- Insert ----------------------------------------------------------------------------------------

void frmChr::cmdInsert_Click()
{
    basFunctions::InsertGeneratedText(host_, txtOutput->toPlainText());
    close();
}
