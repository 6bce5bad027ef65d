#include "tools/frmAbout.h"

#include "tools/Inet.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QPointer<frmAbout> loadedBox;

// Far larger than any licence; a file beyond it is not a licence text and is not shown.
constexpr qint64 kLicenseSizeLimit = 4 * 1024 * 1024;

const char* const kCopyrightLines[] = {
    "Copyright \u00A9 2026 Orland Works. Free software under the GNU GPL, version 3 or later (below).",
    "Editing control: QScintilla, copyright \u00A9 Riverbank Computing Limited.",
    "Scintilla, copyright \u00A9 Neil Hodgson.",
    "Qt, copyright \u00A9 The Qt Company Ltd. and other contributors.",
    "Each part is used under the terms of its own licence.",
};

} // namespace

frmAbout* frmAbout::Get(const Links& links, QWidget* owner)
{
    if (!loadedBox)
        loadedBox = new frmAbout(links, QString(), owner);
    return loadedBox;
}

frmAbout* frmAbout::IfLoaded()
{
    return loadedBox;
}

void frmAbout::Unload()
{
    delete loadedBox.data();
}

frmAbout::frmAbout(const Links& links, const QString& programFolder, QWidget* parent)
    : QDialog(parent), links_(links)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tessary Editor"));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    QIcon productIcon = QApplication::windowIcon();
    if (productIcon.isNull())
        productIcon = QIcon::fromTheme(QStringLiteral("accessories-text-editor"));
    picIcon->setPixmap(productIcon.pixmap(48, 48));
    picIcon->setToolTip(links_.makerSite);

    lblTitle = new QLabel(QStringLiteral("Tessary Editor"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel(QStringLiteral("Beta 1"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblCopyright = new QLabel(this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));

    auto* line1 = new QFrame(this);
    line1->setObjectName(QStringLiteral("Line1"));
    line1->setFrameShape(QFrame::HLine);
    line1->setFrameShadow(QFrame::Sunken);

    txtLicense = new QPlainTextEdit(this);
    txtLicense->setObjectName(QStringLiteral("txtLicense"));
    txtLicense->setReadOnly(true);
    txtLicense->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtLicense->setPlainText(QStringLiteral("The licence file license.txt could not be found beside the program or in its data folder."));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(24, 24));
    auto* linkCaption = new QLabel(QStringLiteral("News and updates of Tessary Editor are"), this);
    txtLicenseLink = new QLabel(QStringLiteral("here."), this);
    txtLicenseLink->setObjectName(QStringLiteral("txtLicenseLink"));
    txtLicenseLink->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    txtLicenseLink->setToolTip(links_.productSite);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    for (QLabel* link : {txtLicenseLink, picIcon}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    auto* heading = new QVBoxLayout;
    heading->addWidget(lblTitle);
    heading->addWidget(lblVersion);
    heading->addWidget(lblCopyright);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(heading, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Image1);
    bottom->addWidget(linkCaption);
    bottom->addWidget(txtLicenseLink);
    bottom->addStretch(1);
    bottom->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line1);
    layout->addWidget(txtLicense, 1);
    layout->addLayout(bottom);
    resize(520, 420);

    Form_Load(programFolder);
}

void frmAbout::Form_Load(const QString& programFolder)
{
    QStringList lines;
    for (const char* line : kCopyrightLines)
        lines << QString::fromUtf8(line);
    lblCopyright->setText(lines.join(QLatin1Char('\n')));

    // Beside the program (the build tree, Windows), else in the installed program's data folder.
    const QDir folder(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder);
    QFile file;
    for (const QString& place : {QStringLiteral("."), QStringLiteral(TESSARY_LICENSE_FROM_PROGRAM)}) {
        file.setFileName(QDir(folder.filePath(place)).filePath(QStringLiteral("license.txt")));
        if (QFileInfo(file.fileName()).isFile())
            break;
    }
    const QFileInfo info(file.fileName());
    if (!info.isFile() || info.size() > kLicenseSizeLimit || !file.open(QIODevice::ReadOnly))
        return; // the notice of the missing file stays
    txtLicense->setPlainText(QString::fromUtf8(file.readAll()));
    txtLicense->raise();
    licenseLoaded_ = true;
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == txtLicenseLink) {
            txtLicenseLink_Click();
            return true;
        }
        if (watched == picIcon) {
            picIcon_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::txtLicenseLink_Click()
{
    Inet::OpenURL(links_.productSite);
}

void frmAbout::picIcon_Click()
{
    Inet::OpenURL(links_.makerSite);
}

void frmAbout::cmdOK_Click()
{
    hide();
}
