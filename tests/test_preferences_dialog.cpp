// The Preferences dialog: pages, the values Apply writes (with their registry types), Restore Defaults,
// indentation controls, colour swatches, browse buttons, the recent-files hook and the form's life cycle.

#include "ScriptedDialogService.h"
#include "document/CodeEditor.h"
#include "platform/RegistryStore.h"
#include "preferences/ColorSwatch.h"
#include "preferences/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const uint32_t Hkcu = platform::HKEY_CURRENT_USER_;
const std::string PreferencesKey = "Software\\Orland Works\\Tessary Editor\\Preferences";

const char* const FourteenDefaulted[] = {
    "ColorComments", "ColorKeywords", "ColorNumbers", "ColorOperators", "ColorStrings", "ColorText",
    "StyleComments", "StyleKeywords", "StyleNumbers", "StyleOperators", "StyleStrings", "StyleText",
    "StyleFont", "StyleFontSize"};

std::optional<platform::RegistryValue> stored(const std::string& name)
{
    auto values = platform::defaultRegistryStore()->values(Hkcu, PreferencesKey);
    if (!values)
        return std::nullopt;
    for (const auto& value : *values)
        if (QString::fromStdString(value.name).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
            return value;
    return std::nullopt;
}

quint32 storedDword(const std::string& name)
{
    auto value = stored(name);
    if (!value || value->type != platform::REG_DWORD_ || value->data.size() != 4)
        return 0xDEADBEEF;
    return quint32(value->data[0]) | quint32(value->data[1]) << 8 | quint32(value->data[2]) << 16 |
           quint32(value->data[3]) << 24;
}

QString storedString(const std::string& name)
{
    auto value = stored(name);
    if (!value || value->type != platform::REG_SZ_)
        return QStringLiteral("<not a string>");
    std::string text(value->data.begin(), value->data.end());
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return QString::fromStdString(text);
}

void storeDword(const std::string& name, quint32 number)
{
    platform::RegistryValue value{name, platform::REG_DWORD_,
                                  {uint8_t(number), uint8_t(number >> 8), uint8_t(number >> 16),
                                   uint8_t(number >> 24)}};
    QVERIFY(platform::defaultRegistryStore()->setValue(Hkcu, PreferencesKey, value));
}

void storeString(const std::string& name, const std::string& text)
{
    platform::RegistryValue value{name, platform::REG_SZ_, {text.begin(), text.end()}};
    value.data.push_back(0);
    QVERIFY(platform::defaultRegistryStore()->setValue(Hkcu, PreferencesKey, value));
}

void flushDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class PreferencesDialogTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder_;
    std::unique_ptr<ScriptedDialogService> dialogs_;

private slots:
    void initTestCase()
    {
        QVERIFY(folder_.isValid());
        qputenv("TESSARY_REGISTRY_FILE", folder_.filePath(QStringLiteral("registry.reg")).toUtf8());
    }

    void init()
    {
        // Every case starts from a preferences key holding nothing but the start-up marker.
        auto store = platform::defaultRegistryStore();
        if (auto values = store->values(Hkcu, PreferencesKey))
            for (const auto& value : *values)
                store->deleteValue(Hkcu, PreferencesKey, value.name);
        storeString("ID", "1");
        dialogs_ = std::make_unique<ScriptedDialogService>();
        frmOptions::ActiveEditor = nullptr;
        frmOptions::RecentFilesChanged = nullptr;
    }

    void cleanup()
    {
        frmOptions::Unload();
        flushDeferredDeletes();
        dialogs_.reset();
    }

    void eachTabShowsItsOwnFrame()
    {
        frmOptions* form = frmOptions::Get();
        const QStringList tabs = {"&Color", "&Display", "&File Paths", "&Script Header"};
        const QStringList frames = {"Color Options", "Display Options", "File Path Options", "Script Auto Header"};
        QCOMPARE(form->tbrOptions->count(), 4);
        QVERIFY(form->fraDisplay[0]->isVisibleTo(form));
        for (int tab = 3; tab >= 0; --tab) {
            form->tbrOptions->setCurrentIndex(tab);
            QCOMPARE(form->tbrOptions->tabText(tab), tabs[tab]);
            for (int frame = 0; frame < 4; ++frame) {
                QCOMPARE(form->fraDisplay[frame]->title(), frames[frame]);
                QCOMPARE(form->fraDisplay[frame]->isVisibleTo(form), frame == tab);
            }
        }
    }

    void applyWritesEveryValueWithItsType()
    {
        frmOptions* form = frmOptions::Get();
        form->cmdApply_Click();
        QCOMPARE(storedDword("TabSize"), 5u);
        QCOMPARE(storedString("MRUSize"), QStringLiteral("4"));
        QCOMPARE(storedDword("AutoIndentMode"), 2u);
        QCOMPARE(storedDword("ColorKeywords"), 0x00FF0000u);
        QCOMPARE(storedDword("StyleComments"), 2u);
        QCOMPARE(storedString("StyleFont"), QStringLiteral("Lucida Console"));
        QCOMPARE(storedDword("StyleFontSize"), 11u);

        // Edits reach the store as shown; the next load reads them back.
        form->chkLineNo->setChecked(true);
        form->cboTabSize->setCurrentText(QStringLiteral("12"));
        form->cboMRU->setCurrentText(QStringLiteral("7"));
        form->txtKixPath->setText(QStringLiteral("/opt/kix tools/kix32.exe"));
        form->cmbStyle[4]->setCurrentIndex(4);
        form->cmdOk_Click();
        QVERIFY(!frmOptions::IfLoaded());
        QCOMPARE(storedDword("LineNum"), 1u);
        QCOMPARE(storedDword("TabSize"), 12u);
        QCOMPARE(storedString("MRUSize"), QStringLiteral("7"));
        QCOMPARE(storedDword("StyleStrings"), 4u);
        form = frmOptions::Get();
        QVERIFY(form->chkLineNo->isChecked());
        QCOMPARE(form->cboMRU->currentText(), QStringLiteral("7"));
        QCOMPARE(form->txtKixPath->text(), QStringLiteral("/opt/kix tools/kix32.exe"));
        QCOMPARE(form->cmbStyle[4]->currentIndex(), 4);
    }

    void restoreDefaultsDeletesTheFourteenAtOnce()
    {
        storeDword("TabSize", 9);
        storeDword("ColorComments", 0x00123456);
        storeDword("StyleKeywords", 3);
        storeString("StyleFont", "Courier New");
        frmOptions* form = frmOptions::Get();
        QCOMPARE(form->cboTabSize->currentText(), QStringLiteral("9"));
        QCOMPARE(form->lblColor[0]->bgr(), 0x00123456u);
        form->chkWhiteSpaces->setChecked(true); // an unapplied edit, replaced by the reload

        form->cmdDefaults_Click();
        QCOMPARE(form->lblColor[0]->bgr(), 0x00008000u);
        QCOMPARE(form->cmbStyle[1]->currentIndex(), 1);
        QCOMPARE(form->cboFont->currentText(), QStringLiteral("Lucida Console"));
        QCOMPARE(form->cboTabSize->currentText(), QStringLiteral("9"));
        QVERIFY(!form->chkWhiteSpaces->isChecked());

        form->cmdCancel_Click();
        for (const char* name : FourteenDefaulted)
            QVERIFY2(!stored(name), name);
        QCOMPARE(storedDword("TabSize"), 9u);
    }

    void indentOptionsKeepTheScopeCheck()
    {
        storeDword("AutoIndentMode", 1);
        frmOptions* form = frmOptions::Get();
        QVERIFY(form->optIndent[1]->isChecked());
        QVERIFY(form->chkIndent->isChecked() && form->chkIndent->isEnabled());
        QCOMPARE(form->GetIndentMode(), 1);

        form->optIndent[0]->click();
        QVERIFY(!form->chkIndent->isEnabled());
        QVERIFY(form->chkIndent->isChecked());
        QCOMPARE(form->GetIndentMode(), 0);

        form->optIndent[1]->click();
        QVERIFY(form->chkIndent->isEnabled());
        QCOMPARE(form->GetIndentMode(), 1);

        // A reload of stored mode 2 clears a check left over from unapplied edits.
        storeDword("AutoIndentMode", 2);
        form->cmdDefaults_Click();
        QCOMPARE(form->GetIndentMode(), 2);
        storeDword("AutoIndentMode", 0);
        form->cmdDefaults_Click();
        QCOMPARE(form->GetIndentMode(), 0);
        QVERIFY(!form->chkIndent->isEnabled());
    }

    void applyChangesSetsTheEditor()
    {
        CodeEditor editor;
        int lookups = 0;
        frmOptions::ActiveEditor = [&] { ++lookups; return &editor; };
        frmOptions* form = frmOptions::Get();
        form->lblColor[1]->setBgr(0x00336699);
        form->cmbStyle[1]->setCurrentIndex(3);
        form->lblColor[0]->setBgr(0x00010203);
        form->cmbStyle[5]->setCurrentIndex(4);
        form->cboTabSize->setCurrentText(QStringLiteral("7"));
        form->chkLineNo->setChecked(true);
        form->optIndent[0]->click();
        form->ApplyChanges();

        QVERIFY(lookups > 0);
        QCOMPARE(editor.ElementColor(8), 0x00336699u);
        QCOMPARE(editor.ElementColor(12), 0x00336699u);
        QCOMPARE(editor.ElementFontStyle(2), 3);
        QCOMPARE(editor.ElementFontStyle(4), 3);
        QCOMPARE(editor.ElementColor(14), 0x00010203u);
        QCOMPARE(editor.ElementFontStyle(5), 2);
        QCOMPARE(editor.ElementFontStyle(0), 4);
        QCOMPARE(editor.TabWidth(), 7);
        QVERIFY(editor.ShowLineNumbers());
        QCOMPARE(editor.AutoIndentMode(), 0);

        // Nothing open to apply to: no harm done.
        frmOptions::ActiveEditor = [] { return static_cast<CodeEditor*>(nullptr); };
        form->ApplyChanges();
    }

    void swatchTakesTheChosenColour()
    {
        frmOptions* form = frmOptions::Get();
        dialogs_->colorAnswers.push_back(QColor(0x12, 0x34, 0x56));
        dialogs_->colorAnswers.push_back(std::nullopt);
        QTest::mouseDClick(form->lblColor[3], Qt::LeftButton);
        QCOMPARE(dialogs_->colorRequests, 1);
        QVERIFY(!stored("ColorOperators")); // nothing written before Apply
        form->lblColor_DblClick(3);         // cancelled: the colour stays
        QCOMPARE(dialogs_->colorRequests, 2);
        form->cmdApply_Click();
        QCOMPARE(storedDword("ColorOperators"), 0x00563412u);
    }

    void browseButtonsFillThePaths()
    {
        frmOptions* form = frmOptions::Get();
        form->txtScriptsPath->setText(QStringLiteral("/old/"));
        dialogs_->folderAnswers = {QStringLiteral("/home/me/My Scripts"), QStringLiteral("/srv/"), QString()};
        form->cmdScriptsPath->click();
        QCOMPARE(form->txtScriptsPath->text(), QStringLiteral("/home/me/My Scripts/"));
        form->cmdScriptsPath_Click();
        QCOMPARE(form->txtScriptsPath->text(), QStringLiteral("/srv/"));
        form->cmdScriptsPath_Click();
        QCOMPARE(form->txtScriptsPath->text(), QStringLiteral("/srv/"));
        QCOMPARE(dialogs_->folderRequests.value(0), QStringLiteral("Select Directory"));

        form->txtKixPath->setText(QStringLiteral("kix32.exe"));
        dialogs_->openAnswers = {QStringLiteral("/opt/kix/kix32.exe"), QString()};
        form->cmdKixPath_Click();
        QCOMPARE(form->txtKixPath->text(), QStringLiteral("/opt/kix/kix32.exe"));
        QCOMPARE(dialogs_->openRequests.value(0).filter,
                 QStringLiteral("kix32.exe (kix32.exe);;All Executable Files (*.exe) (*.exe)"));
        form->cmdKixPath_Click();
        QCOMPARE(form->txtKixPath->text(), QStringLiteral("/opt/kix/kix32.exe"));
    }

    void mruPickRebuildsTheMenuBeforeAnythingIsWritten()
    {
        storeString("MRUSize", "6");
        frmOptions* form = frmOptions::Get();
        QStringList seen;
        frmOptions::RecentFilesChanged = [&] {
            seen << frmOptions::Get()->cboMRU->currentText() + QLatin1Char('/') + storedString("MRUSize");
        };
        form->cboMRU->setFocus();
        QTest::keyClick(form->cboMRU, Qt::Key_Up);
        QCOMPARE(seen, QStringList{QStringLiteral("5/6")});
        form->cmdCancel_Click();
        QCOMPARE(storedString("MRUSize"), QStringLiteral("6"));
        QCOMPARE(seen.size(), 1); // loading the form again is not a pick
        QCOMPARE(frmOptions::Get()->cboMRU->currentText(), QStringLiteral("6"));
    }

    void outOfRangeValuesShowTheDefaults()
    {
        storeDword("TabSize", 40);
        storeString("MRUSize", "12");
        storeDword("StyleComments", 7);
        storeDword("ColorText", 0x80000005);
        storeString("StyleFont", "Comic Sans MS");
        storeDword("StyleFontSize", 13);
        storeDword("LineNum", 1);
        frmOptions* form = frmOptions::Get();
        QCOMPARE(form->cboTabSize->currentText(), QStringLiteral("5"));
        QCOMPARE(form->cboMRU->currentText(), QStringLiteral("4"));
        QCOMPARE(form->cmbStyle[0]->currentIndex(), 2);
        QCOMPARE(form->lblColor[5]->bgr(), 0u);
        QCOMPARE(form->cboFont->currentText(), QStringLiteral("Lucida Console"));
        QCOMPARE(form->cboFontSize->currentText(), QStringLiteral("11"));
        QVERIFY(form->chkLineNo->isChecked()); // in-range values still load
    }

    void modalDialogUnloadsSafely()
    {
        frmOptions* first = frmOptions::Get();
        QCOMPARE(frmOptions::Get(), first);
        first->cboTabSize->setCurrentText(QStringLiteral("3"));

        // Escape while modal: closed, unloaded, nothing written.
        QTimer::singleShot(0, [] {
            QTest::keyClick(frmOptions::IfLoaded()->tbrOptions, Qt::Key_Escape);
        });
        frmOptions::ShowModal();
        QVERIFY(!frmOptions::IfLoaded());
        QVERIFY(!stored("TabSize"));
        flushDeferredDeletes();

        // OK while modal: written, and the next use reads the store again.
        frmOptions::Get()->cboTabSize->setCurrentText(QStringLiteral("3"));
        QTimer::singleShot(0, [] { frmOptions::IfLoaded()->cmdOk->click(); });
        frmOptions::ShowModal();
        QVERIFY(!frmOptions::IfLoaded());
        QCOMPARE(storedDword("TabSize"), 3u);
        QCOMPARE(frmOptions::Get()->cboTabSize->currentText(), QStringLiteral("3"));
    }
};

QTEST_MAIN(PreferencesDialogTest)
#include "test_preferences_dialog.moc"
