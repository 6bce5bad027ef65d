#include "wizards/frmMessageBox.h"

#include "platform/DialogService.h"
#include "wizards/MessageBoxCode.h"
#include "wizards/basFunctions.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QRadioButton* option(QWidget* parent, QButtonGroup* group, const QString& name, const QString& caption, int tag)
{
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(name);
    button->setProperty("tag", tag);
    group->addButton(button);
    return button;
}

} // namespace

frmMessageBox::frmMessageBox(WizardHost* host, QWidget* parent) : QDialog(parent), host_(host)
{
    setObjectName(QStringLiteral("frmMessageBox"));
    setWindowTitle(QStringLiteral("MessageBox Wizard"));
    setAttribute(Qt::WA_DeleteOnClose);

    tabMessageBox = new QTabWidget(this);
    tabMessageBox->setObjectName(QStringLiteral("tabMessageBox"));
    tabMessageBox->setUsesScrollButtons(false);
    const char* tabs[] = {"Title and Text", "Style", "Timeout", "Return Values"};
    const char* frames[] = {"Enter the Title and Text for the Messagebox", "Messagebox Style",
                            "Enter Timeout Value (in seconds)", "Messagebox Return Values"};
    for (int i = 0; i < 4; ++i) {
        fraMessageBox[size_t(i)] = new QGroupBox(QString::fromLatin1(frames[i]));
        fraMessageBox[size_t(i)]->setObjectName(QStringLiteral("fraMessageBox(%1)").arg(i));
        auto* page = new QWidget;
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(fraMessageBox[size_t(i)]);
        tabMessageBox->addTab(page, QString::fromLatin1(tabs[i]));
    }
    buildTitleAndText();
    buildStyle();
    buildTimeout();
    buildReturns();

    txtResultText = new QPlainTextEdit(this);
    txtResultText->setObjectName(QStringLiteral("txtResultText"));
    txtResultText->setReadOnly(true);
    txtResultText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtResultText->setMaximumHeight(70);
    result_ = QStringLiteral("Messagebox(\"\",\"\",16)\r\n");
    showText(txtResultText, result_);

    cmdInsert = new QPushButton(QStringLiteral("&Insert"), this);
    cmdInsert->setObjectName(QStringLiteral("cmdInsert"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Enter belongs to the text boxes here: no button presses itself.
    cmdInsert->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdInsert, &QPushButton::clicked, this, &frmMessageBox::cmdInsert_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdInsert);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabMessageBox);
    layout->addWidget(new QLabel(QStringLiteral("Result to Insert:"), this));
    layout->addWidget(txtResultText);
    layout->addLayout(buttons);

    basFunctions::SetTopMost(this, true);
}

void frmMessageBox::buildTitleAndText()
{
    QGroupBox* box = fraMessageBox[0];
    txtTitle = new QLineEdit(box);
    txtTitle->setObjectName(QStringLiteral("txtTitle"));
    txtText = new QPlainTextEdit(box);
    txtText->setObjectName(QStringLiteral("txtText"));
    txtText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtText->setTabChangesFocus(true);
    auto* grid = new QGridLayout(box);
    auto* titleLabel = new QLabel(QStringLiteral("Title:"), box);
    auto* textLabel = new QLabel(QStringLiteral("Text:"), box);
    titleLabel->setBuddy(txtTitle);
    textLabel->setBuddy(txtText);
    grid->addWidget(titleLabel, 0, 0);
    grid->addWidget(txtTitle, 0, 1);
    grid->addWidget(textLabel, 1, 0, Qt::AlignTop);
    grid->addWidget(txtText, 1, 1);
    connect(txtTitle, &QLineEdit::textChanged, this, &frmMessageBox::txtTitle_Change);
    connect(txtText, &QPlainTextEdit::textChanged, this, &frmMessageBox::txtText_Change);
}

void frmMessageBox::buildStyle()
{
    QGroupBox* box = fraMessageBox[1];
    auto* grid = new QGridLayout(box);
    auto group = [&](const QString& caption, int row, int column) {
        auto* g = new QGroupBox(caption, box);
        grid->addWidget(g, row, column);
        return g;
    };

    QGroupBox* buttonsFrame = group(QStringLiteral("Buttons to Display"), 0, 0);
    auto* buttonsGroup = new QButtonGroup(this);
    auto* buttonsLayout = new QVBoxLayout(buttonsFrame);
    const char* buttonCaptions[] = {"OK Only", "OK and Cancel", "Abort Retry and Ignore",
                                    "Yes No and Cancel", "Yes and No", "Retry and Cancel"};
    for (int i = 0; i < 6; ++i) {
        optButton[size_t(i)] = option(buttonsFrame, buttonsGroup, QStringLiteral("optButton(%1)").arg(i),
                                      QString::fromLatin1(buttonCaptions[i]), i);
        buttonsLayout->addWidget(optButton[size_t(i)]);
        connect(optButton[size_t(i)], &QRadioButton::clicked, this, [this, i] { optButton_Click(i); });
    }

    QGroupBox* iconFrame = group(QStringLiteral("Icon to Display"), 0, 1);
    auto* iconGroup = new QButtonGroup(this);
    auto* iconLayout = new QGridLayout(iconFrame);
    const char* iconCaptions[] = {"Stop Symbol", "Question Mark", "Exclamation Mark", "Information Symbol"};
    const QStyle::StandardPixmap pictures[] = {QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxQuestion,
                                               QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxInformation};
    for (int i = 0; i < 4; ++i) {
        optIcon[size_t(i)] = option(iconFrame, iconGroup, QStringLiteral("optIcon(%1)").arg(i),
                                    QString::fromLatin1(iconCaptions[i]), 16 * (i + 1));
        auto* picture = new QLabel(iconFrame);
        picture->setObjectName(QStringLiteral("imgIcon(%1)").arg(i));
        picture->setPixmap(style()->standardIcon(pictures[i]).pixmap(24, 24));
        iconLayout->addWidget(picture, i, 0);
        iconLayout->addWidget(optIcon[size_t(i)], i, 1);
    }

    QGroupBox* defaultFrame = group(QStringLiteral("Default Button"), 1, 0);
    auto* defaultGroup = new QButtonGroup(this);
    auto* defaultLayout = new QVBoxLayout(defaultFrame);
    const char* defaultCaptions[] = {"First Button", "Second Button", "Third Button"};
    for (int i = 0; i < 3; ++i) {
        optDefault[size_t(i)] = option(defaultFrame, defaultGroup, QStringLiteral("optDefault(%1)").arg(i),
                                       QString::fromLatin1(defaultCaptions[i]), 256 * i);
        defaultLayout->addWidget(optDefault[size_t(i)]);
    }
    optDefault[1]->setEnabled(false);
    optDefault[2]->setEnabled(false);

    QGroupBox* modalityFrame = group(QStringLiteral("Modality"), 1, 1);
    auto* modalityGroup = new QButtonGroup(this);
    auto* modalityLayout = new QVBoxLayout(modalityFrame);
    optModality[0] = option(modalityFrame, modalityGroup, QStringLiteral("optModality(0)"),
                            QStringLiteral("Application-Modal"), 0);
    optModality[1] = option(modalityFrame, modalityGroup, QStringLiteral("optModality(1)"),
                            QStringLiteral("System-Modal"), 4096);
    modalityLayout->addWidget(optModality[0]);
    modalityLayout->addWidget(optModality[1]);

    optButton[0]->setChecked(true);
    optIcon[0]->setChecked(true);
    optDefault[0]->setChecked(true);
    optModality[0]->setChecked(true);

    auto restyle = [this] {
        CalcStyle();
        BuildResult(false);
    };
    for (auto* b : optIcon)
        connect(b, &QRadioButton::clicked, this, restyle);
    for (auto* b : optDefault)
        connect(b, &QRadioButton::clicked, this, restyle);
    for (auto* b : optModality)
        connect(b, &QRadioButton::clicked, this, restyle);
}

void frmMessageBox::buildTimeout()
{
    QGroupBox* box = fraMessageBox[2];
    chkEnableTimeout = new QCheckBox(QStringLiteral("Enable Timeout"), box);
    chkEnableTimeout->setObjectName(QStringLiteral("chkEnableTimeout"));
    txtTimeout = new QLineEdit(box);
    txtTimeout->setObjectName(QStringLiteral("txtTimeout"));
    txtTimeout->installEventFilter(this);
    auto* label = new QLabel(QStringLiteral("Timeout Value"), box);
    label->setBuddy(txtTimeout);
    auto* grid = new QGridLayout(box);
    grid->addWidget(chkEnableTimeout, 0, 0, 1, 2);
    grid->addWidget(label, 1, 0);
    grid->addWidget(txtTimeout, 1, 1);
    grid->setRowStretch(2, 1);
    setTimeoutBoxEnabled(false);
    connect(chkEnableTimeout, &QCheckBox::clicked, this, &frmMessageBox::chkEnableTimeout_Click);
    connect(txtTimeout, &QLineEdit::textChanged, this, &frmMessageBox::txtTimeout_Change);
}

void frmMessageBox::buildReturns()
{
    QGroupBox* box = fraMessageBox[3];
    auto* note = new QLabel(QStringLiteral("The information provided here is for reference only and is not "
                                           "included in the inserted Messagebox string:"),
                            box);
    note->setWordWrap(true);
    txtReturns = new QPlainTextEdit(box);
    txtReturns->setObjectName(QStringLiteral("txtReturns"));
    txtReturns->setReadOnly(true);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    if (!QFontInfo(fixed).fixedPitch())
        fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    txtReturns->setFont(fixed);
    basFunctions::SetBoxBackground(txtReturns, QApplication::palette().color(QPalette::Button));
    showText(txtReturns, QStringLiteral("OK Button Returns    1\r\n"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(note);
    layout->addWidget(txtReturns);
}

void frmMessageBox::showText(QPlainTextEdit* box, const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setPlainText(shown);
}

void frmMessageBox::CalcStyle()
{
    MsgStyle = 0;
    for (QRadioButton* button : findChildren<QRadioButton*>())
        if (button->objectName().startsWith(QLatin1String("opt"), Qt::CaseInsensitive) && button->isChecked())
            MsgStyle += button->property("tag").toInt();
}

void frmMessageBox::BuildResult(bool rewriteText)
{
    if (rewriteText)
        MsgText = MessageBoxCode::RewriteQuotes(MsgText);
    std::optional<int> timeout;
    if (chkEnableTimeout->isChecked())
        timeout = MsgTimeout;
    result_ = MessageBoxCode::BuildResult(MsgText, MsgTitle, MsgStyle, timeout);
    showText(txtResultText, result_);
}

void frmMessageBox::txtText_Change()
{
    // A line break typed in the box is the Windows pair CR LF, which the call turns into Chr(13) + Chr(10).
    QString text = txtText->toPlainText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    MsgText = text;
    CalcStyle();
    BuildResult(true);
}

void frmMessageBox::txtTitle_Change()
{
    MsgTitle = txtTitle->text();
    BuildResult(false);
}

void frmMessageBox::optButton_Click(int index)
{
    const MessageBoxCode::DefaultButtons allowed = MessageBoxCode::DefaultButtonsFor(index);
    if (allowed.chooseFirst)
        optDefault[0]->setChecked(true);
    optDefault[1]->setEnabled(allowed.secondEnabled);
    optDefault[2]->setEnabled(allowed.thirdEnabled);
    showText(txtReturns, MessageBoxCode::ReturnValueLines(optButton[size_t(index)]->text()));
    CalcStyle();
    BuildResult(false);
}

void frmMessageBox::setTimeoutBoxEnabled(bool on)
{
    txtTimeout->setEnabled(on);
    basFunctions::SetBoxBackground(txtTimeout, on ? QColor(Qt::white) : basFunctions::MenuColor());
}

void frmMessageBox::chkEnableTimeout_Click()
{
    const bool on = chkEnableTimeout->isChecked();
    setTimeoutBoxEnabled(on);
    if (on) {
        if (!MessageBoxCode::ParseTimeout(txtTimeout->text()))
            txtTimeout->setText(QStringLiteral("0"));
        MsgTimeout = MessageBoxCode::ParseTimeout(txtTimeout->text()).value_or(0);
        txtTimeout->setFocus();
        txtTimeout->selectAll();
    }
    BuildResult(false);
}

void frmMessageBox::txtTimeout_Change()
{
    const std::optional<int> timeout = MessageBoxCode::ParseTimeout(txtTimeout->text());
    if (!timeout) {
        platform::dialogs().message(this, QStringLiteral("Timeout value must be a number"),
                                    QStringLiteral("Timeout Value Error"), platform::MessageButtons::Ok,
                                    platform::MessageIcon::Critical);
        txtTimeout->setText(QStringLiteral("0")); // runs this check again, with a number
        txtTimeout->selectAll();
        return;
    }
    MsgTimeout = *timeout;
    BuildResult(false);
}

bool frmMessageBox::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the timeout box selects its whole text, also when a mouse click brought the focus.
    if (watched == txtTimeout && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtTimeout, [box = txtTimeout] { box->selectAll(); });
    return QDialog::eventFilter(watched, event);
}

void frmMessageBox::cmdInsert_Click()
{
    basFunctions::InsertGeneratedText(host_, result_);
    close();
}
