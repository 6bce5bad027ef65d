// The preferences: the shared registry object; how stored values of every kind load; every preference
// by registry name, type and syntax element (one value at a time is stored away from its default,
// loaded, pushed into an editor and written back by Apply: a crossed name, element or type shows up as
// the wrong row changing); and the Preferences dialog's controls and life cycle.

#include "CaseFile.h"
#include "ScriptedDialogService.h"
#include "TestFiles.h"
#include "document/editor/CodeEditor.h"
#include "platform/FileRegistryStore.h"
#include "preferences/ColorSwatch.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"
#include "preferences/frmOptions.h"

#include <QtTest>
#include <QtWidgets>

#include <map>
#include <variant>

namespace {

struct Preference {
    QString name;
    bool dword; // else stored as text
    std::variant<qint32*, QString*> variable;
    QString defaultText, changedText;
    int colorElement, styleElement;
};

const std::vector<Preference>& table()
{
    using namespace Options;
    static const std::map<QString, std::variant<qint32*, QString*>> variables{
        {"LineNum", &LineNum}, {"WhiteSpace", &WhiteSpace}, {"TabSize", &TabSize}, {"AutoIndentMode", &AutoIndentMode},
        {"KixPath", &KixPath}, {"ScriptPath", &ScriptPath}, {"MRUSize", &MRUSize}, {"ColorComments", &ColorComments},
        {"ColorKeywords", &ColorKeywords}, {"ColorNumbers", &ColorNumbers}, {"ColorOperators", &ColorOperators},
        {"ColorStrings", &ColorStrings}, {"ColorText", &ColorText}, {"StyleComments", &StyleComments},
        {"StyleKeywords", &StyleKeywords}, {"StyleNumbers", &StyleNumbers}, {"StyleOperators", &StyleOperators},
        {"StyleStrings", &StyleStrings}, {"StyleText", &StyleText}, {"StyleFont", &StyleFont}, {"StyleFontSize", &StyleFontSize}};
    static std::vector<Preference> rows;
    if (rows.empty())
        for (const QStringList& f : cases::table("preferences.txt", "every preference"))
            rows.push_back({f[0], f[1] == "DWORD", variables.at(f[0]), f[2], f[3], f[4].toInt(), f[5].toInt()});
    return rows;
}

QString loaded(const Preference& row)
{
    if (auto* number = std::get_if<qint32*>(&row.variable))
        return QString::number(**number);
    return *std::get<QString*>(row.variable);
}

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString file_;
    std::optional<ScriptedDialogService> dialogs_;
    // The preferences key through a store of its own, not the one the form uses.
    std::optional<RegistryHandler> prefs_;

    void storeLines(const QByteArray& values)
    {
        writeFile(file_, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orland Works\\Tessary Editor\\Preferences]\n" + values);
    }
    // "DWORD 5" / "SZ text", as the file holds the value; empty when absent.
    QString stored(const QByteArray& name)
    {
        using namespace platform;
        const auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, kPreferencesKey);
        for (const RegistryValue& value : values.value_or(std::vector<RegistryValue>())) {
            const QByteArray d(reinterpret_cast<const char*>(value.data.data()), qsizetype(value.data.size()));
            if (value.name != name.toStdString())
                continue;
            if (value.type == REG_DWORD_ && d.size() == 4)
                return QStringLiteral("DWORD %1").arg(qFromLittleEndian<qint32>(d.constData()));
            return value.type == REG_SZ_ && !d.isEmpty() ? "SZ " + QString::fromUtf8(d.chopped(1)) : QStringLiteral("type %1").arg(value.type);
        }
        return {};
    }
    void storeDword(const QString& name, qint32 n) { prefs_->WriteRegValue(name, TaggedValue::fromInt32(n)); }
    void storeString(const QString& name, const QString& s) { prefs_->WriteRegValue(name, TaggedValue::fromString(s)); }

private slots:
    void init()
    {
        static int round = 0;
        file_ = dir_.filePath(QStringLiteral("prefs-%1.reg").arg(++round));
        qputenv("TESSARY_REGISTRY_FILE", file_.toLocal8Bit());
        if (PrefRegistry()) // the shared object, once made, follows the file of each test
            CreatePrefRegistry();
        Options::ResetToDefaults();
        // Values that differ from every default, so a load that skips a value shows.
        Options::TabSize = Options::LineNum = Options::MRUSize = -99;
        Options::ColorComments = Options::StyleComments = Options::StyleFontSize = -99;
        Options::StyleFont = Options::KixPath = Options::ExecuteConfirm = QStringLiteral("stale");
        prefs_.emplace();
        prefs_->SetHive(platform::HKEY_CURRENT_USER_);
        prefs_->SetSubKey(kPreferencesKey);
        storeString("ID", "1"); // the start-up marker, as the editor's first run leaves it
        dialogs_.emplace();
        frmOptions::ActiveEditor = nullptr;
        frmOptions::RecentFilesChanged = nullptr;
    }

    void cleanup()
    {
        frmOptions::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dialogs_.reset();
    }

    // Runs first: nothing has created the shared object yet, and nothing is stored.
    void firstRunCreatesRegistryAndLoadsDefaults()
    {
        QVERIFY(PrefRegistry() == nullptr);
        Options::LoadPreferences();
        QVERIFY(PrefRegistry());
        QCOMPARE((QList<qint32>{Options::TabSize, Options::ColorComments}), (QList<qint32>{5, 0x008000}));
        QCOMPARE(Options::ExecuteConfirm, QStringLiteral("1"));
    }

    // Names in any letter case, numbers stored as text and text as numbers. A foreign registry type
    // reads as the empty value: colour 0, not the default. A Boolean true converts to -1, not a style.
    void storedValuesLoadWhateverTheirType()
    {
        storeLines("\"linenum\"=dword:00000001\n\"TabSize\"=\"  12 \"\n\"MRUSize\"=dword:00000007\n\"StyleFontSize\"=\"12\"\n"
                  "\"ExecuteConfirm\"=dword:00000000\n\"KixPath\"=\"C:\\\\Program Files\\\\KiX\\\\kix32.exe\"\n"
                  "\"ColorText\"=dword:00123456\n\"ColorKeywords\"=hex(2):31,00\n\"ColorComments\"=hex(7):00,00\n"
                  "\"STYLEFONT\"=\"courier new\"\n\"StyleText\"=hex:01\n\"ScriptPath\"=hex:01\n");
        CreatePrefRegistry();
        Options::LoadPreferences();
        using namespace Options;
        QCOMPARE((QList<qint32>{LineNum, TabSize, MRUSize, StyleFontSize, ColorText, ColorKeywords, ColorComments, StyleText}),
                 (QList<qint32>{1, 12, 7, 12, 0x123456, 0, 0, 0}));
        QCOMPARE((QStringList{ExecuteConfirm, KixPath, StyleFont, ScriptPath}),
                 (QStringList{"0", "C:\\Program Files\\KiX\\kix32.exe", "Courier New", "True"}));
        // MRUSize as the dialog writes it: text, replacing the number.
        PrefRegistry()->WriteRegValue("MRUSize", TaggedValue::fromString("9"));
        LoadPreferences();
        QCOMPARE(MRUSize, 9);
    }

    void unusableValuesLoadAsDefaults_data() { cases::addRows("preferences.txt", "unusable values"); }

    // The one value stored is unusable, so every option loads its default.
    void unusableValuesLoadAsDefaults()
    {
        QFETCH(QStringList, fields);
        storeLines(cases::bytes(fields[1]) + '\n');
        CreatePrefRegistry();
        Options::LoadPreferences();
        using namespace Options;
        QCOMPARE((QList<qint32>{TabSize, MRUSize, StyleKeywords, ColorComments, StyleFontSize, AutoIndentMode, LineNum}),
                 (QList<qint32>{5, 4, 1, 0x008000, 11, 2, 0}));
        QCOMPARE(StyleFont, QStringLiteral("Lucida Console"));
    }

    void everyPreferenceByNameTypeAndElement_data()
    {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < table().size(); ++i)
            QTest::newRow(qPrintable(table()[i].name)) << int(i);
    }

    void everyPreferenceByNameTypeAndElement()
    {
        QFETCH(int, index);
        const Preference& changed = table()[size_t(index)];
        CreatePrefRegistry().WriteRegValue(changed.name, changed.dword ? TaggedValue::fromInt32(changed.changedText.toInt())
                                                                       : TaggedValue::fromString(changed.changedText));

        CodeEditor editor;
        frmOptions::ActiveEditor = [&] { return &editor; };
        frmOptions* form = frmOptions::Get(); // loads the store and fills the controls
        form->ApplyChanges();
        form->cmdApply_Click();
        frmOptions::ActiveEditor = [] { return static_cast<CodeEditor*>(nullptr); };
        form->ApplyChanges(); // nothing open to apply to: no harm done
        frmOptions::ActiveEditor = nullptr;

        for (const Preference& row : table()) {
            const QString text = &row == &changed ? changed.changedText : row.defaultText;
            QVERIFY2(loaded(row) == text, qPrintable(row.name));
            QCOMPARE(stored(row.name.toUtf8()), (row.dword ? "DWORD " : "SZ ") + text);
            QVERIFY2(row.colorElement < 0 || editor.ElementColor(row.colorElement) == quint32(text.toInt()), qPrintable(row.name));
            QVERIFY2(row.styleElement < 0 || editor.ElementFontStyle(row.styleElement) == text.toInt(), qPrintable(row.name));
        }
        // Scope keywords always follow the keywords.
        QCOMPARE((QList<qint64>{editor.ElementColor(12), editor.ElementFontStyle(4), editor.TabWidth(), editor.ShowLineNumbers(),
                                editor.ShowWhitespace(), editor.AutoIndentMode()}),
                 (QList<qint64>{editor.ElementColor(8), editor.ElementFontStyle(2), Options::TabSize, Options::LineNum == 1,
                                Options::WhiteSpace == 1, Options::AutoIndentMode}));
    }

    // ---- The dialog's controls and life cycle ------------------------------------------------

    void restoreDefaultsDeletesTheFourteenAtOnce()
    {
        storeDword("TabSize", 9);
        storeDword("ColorComments", 0x00123456);
        storeDword("ColorKeywords", 0); // both ends of the range are colours
        storeDword("ColorStrings", 0x00FFFFFF);
        storeString("StyleFont", "Courier New");
        frmOptions* form = frmOptions::Get();
        QCOMPARE((QList<quint32>{form->lblColor[0]->bgr(), form->lblColor[1]->bgr(), form->lblColor[4]->bgr()}),
                 (QList<quint32>{0x00123456u, 0u, 0x00FFFFFFu}));
        form->cmdApply->click(); // every one of the fourteen is stored now
        QVERIFY(!stored("StyleFontSize").isEmpty());
        form->chkWhiteSpaces->setChecked(true); // an unapplied edit, replaced by the reload
        form->cmdDefaults->click();
        QCOMPARE(form->lblColor[0]->bgr(), 0x00008000u);
        QCOMPARE(form->cboFont->currentText() + form->cboTabSize->currentText(), QStringLiteral("Lucida Console9"));
        QVERIFY(!form->chkWhiteSpaces->isChecked());
        form->cmdCancel->click();
        for (const char* kind : {"Color", "Style"})
            for (const char* element : {"Comments", "Keywords", "Numbers", "Operators", "Strings", "Text"})
                QVERIFY2(stored(QByteArray(kind) + element).isEmpty(), element);
        QVERIFY(stored("StyleFont").isEmpty() && stored("StyleFontSize").isEmpty());
        QCOMPARE(stored("TabSize"), QStringLiteral("DWORD 9"));
    }

    void indentOptionsKeepTheScopeCheck()
    {
        storeDword("AutoIndentMode", 1);
        frmOptions* form = frmOptions::Get();
        QVERIFY(form->optIndent[1]->isChecked() && form->chkIndent->isChecked() && form->chkIndent->isEnabled() && form->GetIndentMode() == 1);
        form->optIndent[0]->click();
        QVERIFY(!form->chkIndent->isEnabled() && form->chkIndent->isChecked() && form->GetIndentMode() == 0);
        // A reload of stored mode 2 clears a check left over from unapplied edits.
        storeDword("AutoIndentMode", 2);
        form->cmdDefaults_Click();
        QCOMPARE(form->GetIndentMode(), 2);
    }

    // A colour swatch and the browse buttons take what their dialogs give; a cancelled dialog changes nothing.
    void browseButtonsFillThePaths()
    {
        frmOptions* form = frmOptions::Get();
        dialogs_->colorAnswers = {QColor(0x12, 0x34, 0x56), std::nullopt};
        QTest::mouseDClick(form->lblColor[3], Qt::LeftButton);
        QVERIFY(stored("ColorOperators").isEmpty()); // nothing written before Apply
        form->lblColor_DblClick(3); // cancelled: the colour stays
        QCOMPARE(dialogs_->colorRequests, 2);
        form->cmdApply->click();
        QCOMPARE(stored("ColorOperators"), QStringLiteral("DWORD %1").arg(0x00563412));

        dialogs_->folderAnswers = {QStringLiteral("/home/me/My Scripts"), QString()};
        form->cmdScriptsPath->click();
        form->cmdScriptsPath_Click(); // cancelled
        QCOMPARE(form->txtScriptsPath->text(), QDir::toNativeSeparators(QStringLiteral("/home/me/My Scripts/")));
        dialogs_->openAnswers = {QStringLiteral("/opt/kix/kix32.exe"), QString()};
        form->cmdKixPath->click();
        form->cmdKixPath_Click(); // cancelled
        QCOMPARE(form->txtKixPath->text(), QDir::toNativeSeparators(QStringLiteral("/opt/kix/kix32.exe")));
        const auto& again = dialogs_->openRequests.last(); // starts at the file chosen before
        QCOMPARE(QDir(again.directory).filePath(again.fileName), QFileInfo(QStringLiteral("/opt/kix/kix32.exe")).absoluteFilePath());
        // The browse dialog shows each filter's caption once, and still filters by its pattern.
        QCOMPARE(ScriptedDialogService::filtersShown(again), QString("kix32.exe | All Executable Files (*.exe) -> kix32.exe"));
    }

    void mruPickRebuildsTheMenuBeforeAnythingIsWritten()
    {
        storeString("MRUSize", "6");
        frmOptions* form = frmOptions::Get();
        QStringList seen;
        frmOptions::RecentFilesChanged = [&] {
            seen << frmOptions::Get()->cboMRU->currentText() + QLatin1Char('/') + stored("MRUSize");
        };
        form->cboMRU->setFocus();
        QTest::keyClick(form->cboMRU, Qt::Key_Up);
        QCOMPARE(seen, QStringList{"5/SZ 6"});
        form->cmdCancel->click();
        QCOMPARE(stored("MRUSize") + frmOptions::Get()->cboMRU->currentText(), QStringLiteral("SZ 66"));
        QCOMPARE(seen.size(), 1); // loading the form again is not a pick
    }

    void modalDialogUnloadsSafely()
    {
        frmOptions* first = frmOptions::Get();
        QCOMPARE(frmOptions::Get(), first);
        first->cboTabSize->setCurrentText(QStringLiteral("3"));
        // Escape while modal: closed, unloaded, nothing written.
        QTimer::singleShot(0, [] { QTest::keyClick(frmOptions::IfLoaded()->tbrOptions, Qt::Key_Escape); });
        frmOptions::ShowModal();
        QVERIFY(!frmOptions::IfLoaded() && stored("TabSize").isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // OK while modal: written, and the next use reads the store again.
        frmOptions::Get()->cboTabSize->setCurrentText(QStringLiteral("3"));
        QTimer::singleShot(0, [] { frmOptions::IfLoaded()->cmdOk->click(); });
        frmOptions::ShowModal();
        QVERIFY(!frmOptions::IfLoaded() && stored("TabSize") == QStringLiteral("DWORD 3"));
        QCOMPARE(frmOptions::Get()->cboTabSize->currentText(), QStringLiteral("3"));
    }
};

QTEST_MAIN(PreferencesTest)
#include "test_preferences.moc"
