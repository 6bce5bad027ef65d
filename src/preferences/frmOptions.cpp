#include "preferences/frmOptions.h"

#include "platform/ProductInfo.h"
#include "document/editor/CodeEditor.h"
#include "document/language/SyntaxElements.h"
#include "platform/DialogService.h"
#include "preferences/ColorSwatch.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "preferences/TaggedValue.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTextDocument>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedLayout>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <type_traits>

namespace {

// What the form shows when a value is not one the lists offer (the store already screens what it
// loads; this keeps the lists from showing a blank choice whatever reaches them).
constexpr std::array<qint32, frmOptions::ColorRows> DefaultColors = {
    Options::Defaults::ColorComments, Options::Defaults::ColorKeywords, Options::Defaults::ColorNumbers,
    Options::Defaults::ColorOperators, Options::Defaults::ColorStrings, Options::Defaults::ColorText};
constexpr std::array<qint32, frmOptions::ColorRows> DefaultStyles = {
    Options::Defaults::StyleComments, Options::Defaults::StyleKeywords, Options::Defaults::StyleNumbers,
    Options::Defaults::StyleOperators, Options::Defaults::StyleStrings, Options::Defaults::StyleText};

// Colour and style numbers of each colour row in the editing control, in row order.
constexpr std::array<int, frmOptions::ColorRows> RowColorNumbers = {
    syntax::CommentColor, syntax::KeywordColor, syntax::NumberColor,
    syntax::OperatorColor, syntax::StringColor, syntax::TextColor};
constexpr std::array<int, frmOptions::ColorRows> RowStyleNumbers = {
    syntax::Comment, syntax::Keyword, syntax::Number, syntax::Operator, syntax::String, syntax::Text};

const char* const RowCaptions[frmOptions::ColorRows] = {
    "Comments", "Keywords", "Numbers", "Operators", "Strings", "Text"};
const char* const ColorValueNames[frmOptions::ColorRows] = {
    "ColorComments", "ColorKeywords", "ColorNumbers", "ColorOperators", "ColorStrings", "ColorText"};
const char* const StyleValueNames[frmOptions::ColorRows] = {
    "StyleComments", "StyleKeywords", "StyleNumbers", "StyleOperators", "StyleStrings", "StyleText"};

RegistryHandler& preferenceRegistry()
{
    if (RegistryHandler* registry = PrefRegistry())
        return *registry;
    return CreatePrefRegistry();
}

QComboBox* fixedList(QWidget* parent, const QStringList& items)
{
    auto* list = new QComboBox(parent);
    list->setEditable(false);
    list->addItems(items);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return list;
}

template <typename Container>
QStringList textItems(const Container& items)
{
    QStringList texts;
    for (const auto& item : items) {
        if constexpr (std::is_integral_v<std::decay_t<decltype(item)>>)
            texts << QString::number(item);
        else
            texts << QString::fromLatin1(item);
    }
    return texts;
}

QStringList numberRange(int first, int last)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << QString::number(n);
    return items;
}

// Selects the item with exactly this text, or the fallback item when the list does not offer it.
void showItem(QComboBox* list, const QString& text, const QString& fallback)
{
    int index = list->findText(text, Qt::MatchFixedString);
    if (index < 0)
        index = list->findText(fallback, Qt::MatchFixedString);
    list->setCurrentIndex(index);
}

QLabel* note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* browseButton(QWidget* parent, const QString& accessibleName)
{
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    const int side = button->fontMetrics().height() + 10;
    button->setFixedWidth(side * 3 / 2);
    return button;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Life cycle

frmOptions* frmOptions::Get()
{
    if (!loaded_) {
        loaded_ = new frmOptions();
        loaded_->Form_Load();
    }
    return loaded_;
}

frmOptions* frmOptions::IfLoaded() { return loaded_; }

void frmOptions::Unload()
{
    frmOptions* form = loaded_;
    if (!form)
        return;
    // Forget it first so that anything running during the close already loads a fresh form.
    loaded_ = nullptr;
    if (form->isVisible())
        form->QDialog::done(form->result());
    // Deferred: the form may be unloading from inside one of its own handlers or its modal loop.
    form->deleteLater();
}

void frmOptions::ShowModal()
{
    QPointer<frmOptions> form = Get();
    QWidget* owner = QApplication::activeWindow();
    if (owner && owner != form && !form->isVisible() && form->parentWidget() != owner)
        form->setParent(owner, form->windowFlags());
    form->exec();
}

frmOptions::frmOptions() : QDialog(nullptr)
{
    setWindowTitle(QStringLiteral("Preferences"));
    setSizeGripEnabled(false);

    tbrOptions = new QTabBar(this);
    tbrOptions->setExpanding(false);
    tbrOptions->setDrawBase(true);
    tbrOptions->addTab(QStringLiteral("&Color"));
    tbrOptions->addTab(QStringLiteral("&Display"));
    tbrOptions->addTab(QStringLiteral("&File Paths"));
    tbrOptions->addTab(QStringLiteral("&Script Header"));

    // A stacked layout sizes the dialog for the largest page, so switching tabs never resizes it.
    auto* pageHost = new QWidget(this);
    pages_ = new QStackedLayout(pageHost);
    pages_->setContentsMargins(0, 0, 0, 0);
    fraDisplay[0] = buildColorPage();
    fraDisplay[1] = buildDisplayPage();
    fraDisplay[2] = buildPathsPage();
    fraDisplay[3] = buildHeaderPage();
    for (QGroupBox* frame : fraDisplay) {
        frame->setParent(pageHost);
        pages_->addWidget(frame);
    }
    pages_->setCurrentIndex(0);

    cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    cmdOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbrOptions);
    layout->addWidget(pageHost, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab order follows the visual order: tab strip, each page top to bottom, then the buttons.
    QWidget* previous = tbrOptions;
    const QList<QWidget*> chain = {
        lblColor[0], cmbStyle[0], lblColor[1], cmbStyle[1], lblColor[2], cmbStyle[2],
        lblColor[3], cmbStyle[3], lblColor[4], cmbStyle[4], lblColor[5], cmbStyle[5], cmdDefaults,
        cboFont, cboFontSize, chkWhiteSpaces, chkLineNo, cboTabSize, cboMRU,
        optIndent[0], optIndent[1], chkIndent,
        txtKixPath, cmdKixPath, txtScriptsPath, cmdScriptsPath,
        chkAppend, txtAppend, cmdOk, cmdCancel, cmdApply};
    for (QWidget* next : chain) {
        setTabOrder(previous, next);
        previous = next;
    }

    connectHandlers();
}

frmOptions::~frmOptions()
{
    // Destroyed by other means than Unload (for example with a parent window): forget it too.
    if (loaded_ == this)
        loaded_ = nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Pages

QGroupBox* frmOptions::buildColorPage()
{
    auto* frame = new QGroupBox(QStringLiteral("Color Options"));
    const QStringList styles = textItems(Options::Choices::StyleNames);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    for (int i = 0; i < ColorRows; ++i) {
        const QString caption = QString::fromLatin1(RowCaptions[i]);
        lblColorOpt[i] = new QLabel(caption, frame);
        lblColor[i] = new ColorSwatch(frame);
        lblColor[i]->setAccessibleName(caption + QStringLiteral(" colour"));
        lblColor[i]->setToolTip(QStringLiteral("Double-click to choose the colour"));
        cmbStyle[i] = fixedList(frame, styles);
        cmbStyle[i]->setAccessibleName(caption + QStringLiteral(" style"));
        lblColorOpt[i]->setBuddy(lblColor[i]);
        grid->addWidget(lblColorOpt[i], i, 0);
        grid->addWidget(lblColor[i], i, 1);
        grid->addWidget(cmbStyle[i], i, 2);
    }
    grid->setColumnStretch(3, 1);

    cmdDefaults = new QPushButton(QStringLiteral("&Restore Defaults"), frame);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdDefaults);

    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(bottom);
    return frame;
}

QGroupBox* frmOptions::buildDisplayPage()
{
    auto* frame = new QGroupBox(QStringLiteral("Display Options"));

    fraFont = new QGroupBox(QStringLiteral("Global Options"), frame);
    lblFont = new QLabel(QStringLiteral("Font"), fraFont);
    cboFont = fixedList(fraFont, textItems(Options::Choices::FontFaces));
    lblFontSize = new QLabel(QStringLiteral("Size"), fraFont);
    cboFontSize = fixedList(fraFont, textItems(Options::Choices::FontSizes));
    lblFont->setBuddy(cboFont);
    lblFontSize->setBuddy(cboFontSize);
    auto* fontGrid = new QGridLayout(fraFont);
    fontGrid->addWidget(lblFont, 0, 0);
    fontGrid->addWidget(cboFont, 0, 1);
    fontGrid->addWidget(lblFontSize, 1, 0);
    fontGrid->addWidget(cboFontSize, 1, 1, Qt::AlignLeft);
    fontGrid->setColumnStretch(2, 1);

    fraMisc = new QGroupBox(QStringLiteral("Miscellaneous Options"), frame);
    chkWhiteSpaces = new QCheckBox(QStringLiteral("White Spaces"), fraMisc);
    chkLineNo = new QCheckBox(QStringLiteral("Line Numbering"), fraMisc);
    lblTabSize = new QLabel(QStringLiteral("Tab Size"), fraMisc);
    cboTabSize = fixedList(fraMisc, numberRange(Options::Choices::MinTabSize, Options::Choices::MaxTabSize));
    lblMRU = new QLabel(QStringLiteral("MRU size"), fraMisc);
    cboMRU = fixedList(fraMisc, numberRange(Options::Choices::MinMRUSize, Options::Choices::MaxMRUSize));
    lblTabSize->setBuddy(cboTabSize);
    lblMRU->setBuddy(cboMRU);
    auto* miscGrid = new QGridLayout(fraMisc);
    miscGrid->addWidget(chkWhiteSpaces, 0, 0, 1, 2);
    miscGrid->addWidget(chkLineNo, 1, 0, 1, 2);
    miscGrid->addWidget(lblTabSize, 2, 0);
    miscGrid->addWidget(cboTabSize, 2, 1, Qt::AlignLeft);
    miscGrid->addWidget(lblMRU, 3, 0);
    miscGrid->addWidget(cboMRU, 3, 1, Qt::AlignLeft);
    miscGrid->setColumnStretch(2, 1);

    fraIndent = new QGroupBox(QStringLiteral("Indent Options"), frame);
    optIndent[0] = new QRadioButton(QStringLiteral("No auto-indent"), fraIndent);
    optIndent[1] = new QRadioButton(QStringLiteral("Indent same as previous line"), fraIndent);
    chkIndent = new QCheckBox(QStringLiteral("Account for language scope"), fraIndent);
    auto* indentLayout = new QVBoxLayout(fraIndent);
    indentLayout->addWidget(optIndent[0]);
    indentLayout->addWidget(optIndent[1]);
    auto* scopeRow = new QHBoxLayout;
    scopeRow->addSpacing(20); // the check box belongs to the option above it
    scopeRow->addWidget(chkIndent);
    indentLayout->addLayout(scopeRow);
    indentLayout->addStretch(1);

    auto* layout = new QGridLayout(frame);
    layout->addWidget(fraFont, 0, 0);
    layout->addWidget(fraMisc, 1, 0);
    layout->addWidget(fraIndent, 0, 1, 2, 1);
    layout->setRowStretch(2, 1);
    return frame;
}

QGroupBox* frmOptions::buildPathsPage()
{
    auto* frame = new QGroupBox(QStringLiteral("File Path Options"));

    lblKixPath = new QLabel(QStringLiteral("Path to KiXtart executable"), frame);
    txtKixPath = new QLineEdit(frame);
    cmdKixPath = browseButton(frame, QStringLiteral("Browse for the KiXtart executable"));
    Label1 = note(QStringLiteral("If the KiXtart executable is not located in the application or system "
                                 "path then it must be specified in order to use the script execute and "
                                 "debug functions."),
                  frame);
    lblScriptsPath = new QLabel(QStringLiteral("Default Script Directory Path"), frame);
    txtScriptsPath = new QLineEdit(frame);
    cmdScriptsPath = browseButton(frame, QStringLiteral("Browse for the default script directory"));
    Label2 = note(QStringLiteral("The Default path is used for \"Open\" and \"Save As...\" operations.  "
                                 "If unspecified, the current directory is used."),
                  frame);
    lblKixPath->setBuddy(txtKixPath);
    lblScriptsPath->setBuddy(txtScriptsPath);
    txtKixPath->setMinimumWidth(txtKixPath->fontMetrics().averageCharWidth() * 40);

    auto* grid = new QGridLayout(frame);
    grid->addWidget(lblKixPath, 0, 0, 1, 2);
    grid->addWidget(txtKixPath, 1, 0);
    grid->addWidget(cmdKixPath, 1, 1);
    grid->addWidget(Label1, 2, 0, 1, 2);
    grid->setRowMinimumHeight(3, 12);
    grid->addWidget(lblScriptsPath, 4, 0, 1, 2);
    grid->addWidget(txtScriptsPath, 5, 0);
    grid->addWidget(cmdScriptsPath, 5, 1);
    grid->addWidget(Label2, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);
    return frame;
}

QGroupBox* frmOptions::buildHeaderPage()
{
    auto* frame = new QGroupBox(QStringLiteral("Script Auto Header"));
    // Informational: every save writes this header whatever the page shows, so the page cannot be
    // edited into suggesting otherwise.
    chkAppend = new QCheckBox(QStringLiteral("&Enable Script Auto Header"), frame);
    chkAppend->setChecked(true);
    chkAppend->setEnabled(false);
    txtAppend = new QPlainTextEdit(frame);
    txtAppend->setPlainText(QStringLiteral(";**** Created with ") + ProductInfo::AppTitle +
                            QStringLiteral(" | ") + ProductInfo::WebSite + QStringLiteral(" ****\n") +
                            QStringLiteral(";**** Last Modified on %Date% at %Time% by %USERNAME% ****"));
    txtAppend->setReadOnly(true);
    txtAppend->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtAppend->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Sized to show the whole template without scrolling.
    const QFontMetrics metrics(txtAppend->font());
    int widest = 0;
    for (const QString& line : txtAppend->toPlainText().split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int chrome = 2 * (txtAppend->frameWidth() + int(txtAppend->document()->documentMargin())) + 4;
    txtAppend->setFixedSize(widest + chrome, metrics.lineSpacing() * 2 + chrome);
    txtAppend->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtAppend->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lblAppend = note(QStringLiteral("This feature automatically writes data to a script each time it is "
                                    "saved.  If these lines do not appear at the very top of the script "
                                    "then they will be rewritten."),
                     frame);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(chkAppend);
    layout->addWidget(txtAppend);
    layout->addWidget(lblAppend);
    layout->addStretch(1);
    return frame;
}

void frmOptions::connectHandlers()
{
    connect(tbrOptions, &QTabBar::currentChanged, this, [this] { tbrOptions_Click(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdDefaults, &QPushButton::clicked, this, [this] { cmdDefaults_Click(); });
    for (int i = 0; i < ColorRows; ++i)
        connect(lblColor[i], &ColorSwatch::activated, this, [this, i] { lblColor_DblClick(i); });
    for (int i = 0; i < 2; ++i)
        connect(optIndent[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optIndent_Click(i);
        });
    // Only the user's pick rebuilds the menu; filling the form must not.
    connect(cboMRU, &QComboBox::activated, this, [this] { cboMRU_Click(); });
    connect(cmdKixPath, &QPushButton::clicked, this, [this] { cmdKixPath_Click(); });
    connect(cmdScriptsPath, &QPushButton::clicked, this, [this] { cmdScriptsPath_Click(); });
}

// ---------------------------------------------------------------------------------------------------
// Handlers

void frmOptions::Form_Load()
{
    Options::LoadPreferences();

    chkWhiteSpaces->setChecked(Options::WhiteSpace == 1);
    chkLineNo->setChecked(Options::LineNum == 1);
    showItem(cboTabSize, QString::number(Options::TabSize), QString::number(Options::Defaults::TabSize));
    txtKixPath->setText(Options::KixPath);
    txtScriptsPath->setText(Options::ScriptPath);
    showItem(cboMRU, QString::number(Options::MRUSize), QString::number(Options::Defaults::MRUSize));
    ShowIndentMode(Options::AutoIndentMode);

    const std::array<qint32, ColorRows> colors = {Options::ColorComments, Options::ColorKeywords,
                                                  Options::ColorNumbers,  Options::ColorOperators,
                                                  Options::ColorStrings,  Options::ColorText};
    const std::array<qint32, ColorRows> styles = {Options::StyleComments, Options::StyleKeywords,
                                                  Options::StyleNumbers,  Options::StyleOperators,
                                                  Options::StyleStrings,  Options::StyleText};
    for (int i = 0; i < ColorRows; ++i) {
        // Only plain 0x00BBGGRR colours are meaningful; anything with a high byte is not a colour.
        const bool colorValid = colors[i] >= 0 && colors[i] <= Options::Choices::MaxColor;
        lblColor[i]->setBgr(quint32(colorValid ? colors[i] : DefaultColors[i]));
        const bool styleValid = styles[i] >= 0 && styles[i] < cmbStyle[i]->count();
        cmbStyle[i]->setCurrentIndex(styleValid ? styles[i] : DefaultStyles[i]);
    }

    showItem(cboFont, Options::StyleFont, QString::fromLatin1(Options::Defaults::StyleFont));
    showItem(cboFontSize, QString::number(Options::StyleFontSize), QString::number(Options::Defaults::StyleFontSize));
}

void frmOptions::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    tbrOptions->setFocus(Qt::ActiveWindowFocusReason);
}

void frmOptions::tbrOptions_Click()
{
    const int selected = tbrOptions->currentIndex();
    if (selected >= 0 && selected < int(fraDisplay.size()))
        pages_->setCurrentIndex(selected);
}

int frmOptions::GetIndentMode() const
{
    if (optIndent[0]->isChecked())
        return 0;
    return chkIndent->isChecked() ? 1 : 2;
}

void frmOptions::ShowIndentMode(int mode)
{
    const int option = mode == 0 ? 0 : 1;
    optIndent[option]->setChecked(true);
    // The check box must show the mode itself: a stale check from unapplied edits would turn
    // mode 2 into mode 1 on the next Apply.
    if (mode != 0)
        chkIndent->setChecked(mode == 1);
    optIndent_Click(option);
}

void frmOptions::optIndent_Click(int index)
{
    chkIndent->setEnabled(index == 1);
}

void frmOptions::cmdApply_Click()
{
    RegistryHandler& registry = preferenceRegistry();
    registry.WriteRegValue(QStringLiteral("LineNum"), TaggedValue::fromInt16(chkLineNo->isChecked() ? 1 : 0));
    registry.WriteRegValue(QStringLiteral("WhiteSpace"),
                           TaggedValue::fromInt16(chkWhiteSpaces->isChecked() ? 1 : 0));
    registry.WriteRegValue(QStringLiteral("TabSize"), TaggedValue::fromInt32(cboTabSize->currentText().toInt()));
    registry.WriteRegValue(QStringLiteral("AutoIndentMode"), TaggedValue::fromInt32(GetIndentMode()));
    registry.WriteRegValue(QStringLiteral("KixPath"), TaggedValue::fromString(txtKixPath->text()));
    registry.WriteRegValue(QStringLiteral("ScriptPath"), TaggedValue::fromString(txtScriptsPath->text()));
    registry.WriteRegValue(QStringLiteral("MRUSize"), TaggedValue::fromString(cboMRU->currentText()));
    for (int i = 0; i < ColorRows; ++i)
        registry.WriteRegValue(QString::fromLatin1(ColorValueNames[i]),
                               TaggedValue::fromInt32(qint32(lblColor[i]->bgr())));
    for (int i = 0; i < ColorRows; ++i)
        registry.WriteRegValue(QString::fromLatin1(StyleValueNames[i]),
                               TaggedValue::fromInt16(qint16(cmbStyle[i]->currentIndex())));
    registry.WriteRegValue(QStringLiteral("StyleFont"), TaggedValue::fromString(cboFont->currentText()));
    registry.WriteRegValue(QStringLiteral("StyleFontSize"),
                           TaggedValue::fromInt32(cboFontSize->currentText().toInt()));
    ApplyChanges();
}

void frmOptions::ApplyChanges()
{
    CodeEditor* editor = ActiveEditor ? ActiveEditor() : nullptr;
    if (!editor)
        return;
    for (int i = 0; i < ColorRows; ++i)
        editor->SetElementColor(RowColorNumbers[i], lblColor[i]->bgr());
    // Scope keywords are keywords: they always share the keyword colour and style.
    editor->SetElementColor(syntax::ScopeKeywordColor, lblColor[1]->bgr());
    for (int i = 0; i < ColorRows; ++i)
        editor->SetElementFontStyle(RowStyleNumbers[i], cmbStyle[i]->currentIndex());
    editor->SetElementFontStyle(syntax::ScopeKeyword, cmbStyle[1]->currentIndex());
    editor->SetEditorFont(cboFont->currentText(), cboFontSize->currentText().toInt());
    editor->SetShowLineNumbers(chkLineNo->isChecked());
    editor->SetShowWhitespace(chkWhiteSpaces->isChecked());
    editor->SetTabWidth(cboTabSize->currentText().toInt());
    editor->SetAutoIndentMode(GetIndentMode());
}

void frmOptions::cmdOk_Click()
{
    cmdApply_Click();
    setResult(QDialog::Accepted);
    Unload();
}

void frmOptions::cmdCancel_Click()
{
    setResult(QDialog::Rejected);
    Unload();
}

void frmOptions::reject() { cmdCancel_Click(); }

void frmOptions::cmdDefaults_Click()
{
    RegistryHandler& registry = preferenceRegistry();
    for (const char* name : ColorValueNames)
        registry.DeleteValue(QString::fromLatin1(name));
    for (const char* name : StyleValueNames)
        registry.DeleteValue(QString::fromLatin1(name));
    registry.DeleteValue(QStringLiteral("StyleFont"));
    registry.DeleteValue(QStringLiteral("StyleFontSize"));
    Form_Load();
}

void frmOptions::lblColor_DblClick(int index)
{
    if (index < 0 || index >= ColorRows)
        return;
    const std::optional<QColor> chosen = platform::dialogs().color(this, lblColor[index]->color());
    if (chosen && chosen->isValid())
        lblColor[index]->setColor(*chosen);
}

void frmOptions::cboMRU_Click()
{
    if (RecentFilesChanged)
        RecentFilesChanged();
}

void frmOptions::cmdKixPath_Click()
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.filter = QStringLiteral("kix32.exe (kix32.exe);;All Executable Files (*.exe) (*.exe)");
    const QString current = txtKixPath->text().trimmed();
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        request.directory = info.absolutePath();
        request.fileName = info.fileName();
    }
    request.mustExist = true;
    const QString chosen = platform::dialogs().openFileName(this, request);
    if (!chosen.isEmpty())
        txtKixPath->setText(QDir::toNativeSeparators(chosen));
}

void frmOptions::cmdScriptsPath_Click()
{
    const QString chosen =
        platform::dialogs().folderName(this, QStringLiteral("Select Directory"), txtScriptsPath->text());
    if (chosen.isEmpty())
        return;
    // The field holds the folder with its trailing separator, ready to have a file name appended.
    QString folder = QDir::toNativeSeparators(chosen);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    txtScriptsPath->setText(folder);
}
