// The preferences: the shared registry object; how stored values of every kind load; every preference
// by registry name, type and syntax element (one value at a time is stored away from its default,
// loaded, pushed into an editor and written back by Apply: a crossed name, element or type shows up as
// the wrong row changing); and the Preferences dialog's controls and life cycle.

#include "ScriptedDialogService.h"
#include "document/CodeEditor.h"
#include "platform/FileRegistryStore.h"
#include "preferences/ColorSwatch.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"
#include "preferences/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <variant>

namespace {

enum class Type { Dword, Sz };

struct Preference {
    const char* name;
    Type type;
    std::variant<qint32*, QString*> variable;
    QString defaultText; // as Apply writes it back when untouched
    QString changedText; // a value away from the default, stored as `type`
    int colorElement = -1; // colour number set by ApplyChanges (-1: none)
    int styleElement = -1; // style number set by ApplyChanges
};

const std::vector<Preference>& table()
{
    using namespace Options;
    static const std::vector<Preference> rows{
        {"LineNum", Type::Dword, &LineNum, "0", "1"},
        {"WhiteSpace", Type::Dword, &WhiteSpace, "0", "1"},
        {"TabSize", Type::Dword, &TabSize, "5", "15"},
        {"AutoIndentMode", Type::Dword, &AutoIndentMode, "2", "0"},
        {"KixPath", Type::Sz, &KixPath, "", "/opt/kix/kix32.exe"},
        {"ScriptPath", Type::Sz, &ScriptPath, "", "/srv/scripts/"},
        {"MRUSize", Type::Sz, &MRUSize, "4", "9"},
        {"ColorComments", Type::Dword, &ColorComments, QString::number(0x008000), QString::number(0x010101), 14, -1},
        {"ColorKeywords", Type::Dword, &ColorKeywords, QString::number(0xFF0000), QString::number(0x020202), 8, -1},
        {"ColorNumbers", Type::Dword, &ColorNumbers, QString::number(0), QString::number(0x030303), 6, -1},
        {"ColorOperators", Type::Dword, &ColorOperators, QString::number(0x0000FF), QString::number(0x040404), 10, -1},
        {"ColorStrings", Type::Dword, &ColorStrings, QString::number(0x800080), QString::number(0x050505), 16, -1},
        {"ColorText", Type::Dword, &ColorText, QString::number(0), QString::number(0x060606), 4, -1},
        {"StyleComments", Type::Dword, &StyleComments, "2", "3", -1, 5},
        {"StyleKeywords", Type::Dword, &StyleKeywords, "1", "3", -1, 2},
        {"StyleNumbers", Type::Dword, &StyleNumbers, "0", "3", -1, 1},
        {"StyleOperators", Type::Dword, &StyleOperators, "0", "3", -1, 3},
        {"StyleStrings", Type::Dword, &StyleStrings, "0", "3", -1, 6},
        {"StyleText", Type::Dword, &StyleText, "0", "3", -1, 0},
        {"StyleFont", Type::Sz, &StyleFont, "Lucida Console", "Courier New"},
        {"StyleFontSize", Type::Dword, &StyleFontSize, "11", "14"},
    };
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
        QFile f(file_);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orland Works\\Tessary Editor\\Preferences]\n" + values);
    }
    // "DWORD 5" / "SZ text", as the file holds the value; empty when absent.
    QString stored(const QByteArray& name)
    {
        const auto values = platform::FileRegistryStore(file_.toStdString()).values(platform::HKEY_CURRENT_USER_, kPreferencesKey);
        for (const auto& value : values.value_or(std::vector<platform::RegistryValue>{})) {
            const auto& d = value.data;
            if (value.name != name.toStdString())
                continue;
            if (value.type == platform::REG_DWORD_ && d.size() == 4)
                return QStringLiteral("DWORD %1").arg(qint32(d[0] | d[1] << 8 | d[2] << 16 | quint32(d[3]) << 24));
            if (value.type == platform::REG_SZ_ && !d.empty())
                return "SZ " + QString::fromUtf8(reinterpret_cast<const char*>(d.data()), qsizetype(d.size() - 1));
            return QStringLiteral("type %1").arg(value.type);
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

    void unusableValuesLoadAsDefaults_data()
    {
        QTest::addColumn<QByteArray>("line");
        for (const char* line : {"\"TabSize\"=\"abc\"", "\"TabSize\"=dword:00000001", "\"TabSize\"=\"16\"",
                                 "\"MRUSize\"=\"12\"", "\"MRUSize\"=\"0\"", "\"StyleKeywords\"=dword:00000005",
                                 "\"ColorComments\"=dword:ffffffff", "\"ColorComments\"=dword:01000000",
                                 "\"StyleFontSize\"=dword:0000000d", "\"StyleFont\"=\"Comic Sans\"",
                                 "\"AutoIndentMode\"=dword:00000003", "\"LineNum\"=dword:00000002"})
            QTest::newRow(line) << QByteArray(line);
    }

    // The one value stored is unusable, so every option loads its default.
    void unusableValuesLoadAsDefaults()
    {
        QFETCH(QByteArray, line);
        storeLines(line + '\n');
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
            QTest::newRow(table()[i].name) << int(i);
    }

    void everyPreferenceByNameTypeAndElement()
    {
        QFETCH(int, index);
        const Preference& changed = table()[size_t(index)];
        CreatePrefRegistry().WriteRegValue(QLatin1String(changed.name),
                                           changed.type == Type::Dword ? TaggedValue::fromInt32(changed.changedText.toInt())
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
            QVERIFY2(loaded(row) == text, row.name);
            QCOMPARE(stored(row.name), (row.type == Type::Dword ? "DWORD " : "SZ ") + text);
            if (row.colorElement >= 0)
                QVERIFY2(editor.ElementColor(row.colorElement) == quint32(text.toInt()), row.name);
            if (row.styleElement >= 0)
                QVERIFY2(editor.ElementFontStyle(row.styleElement) == text.toInt(), row.name);
        }
        // Scope keywords always follow the keywords.
        QCOMPARE(editor.ElementColor(12), editor.ElementColor(8));
        QCOMPARE(editor.ElementFontStyle(4), editor.ElementFontStyle(2));
        QCOMPARE(editor.TabWidth(), Options::TabSize);
        QCOMPARE(editor.ShowLineNumbers(), Options::LineNum == 1);
        QCOMPARE(editor.ShowWhitespace(), Options::WhiteSpace == 1);
        QCOMPARE(editor.AutoIndentMode(), Options::AutoIndentMode);
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
        QCOMPARE(form->lblColor[0]->bgr(), 0x00123456u);
        QCOMPARE(form->lblColor[1]->bgr(), 0u);
        QCOMPARE(form->lblColor[4]->bgr(), 0x00FFFFFFu);
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
        QVERIFY(form->optIndent[1]->isChecked() && form->chkIndent->isChecked() && form->chkIndent->isEnabled());
        QCOMPARE(form->GetIndentMode(), 1);
        form->optIndent[0]->click();
        QVERIFY(!form->chkIndent->isEnabled() && form->chkIndent->isChecked());
        QCOMPARE(form->GetIndentMode(), 0);
        // A reload of stored mode 2 clears a check left over from unapplied edits.
        storeDword("AutoIndentMode", 2);
        form->cmdDefaults_Click();
        QCOMPARE(form->GetIndentMode(), 2);
    }

    void swatchTakesTheChosenColour()
    {
        frmOptions* form = frmOptions::Get();
        dialogs_->colorAnswers = {QColor(0x12, 0x34, 0x56), std::nullopt};
        QTest::mouseDClick(form->lblColor[3], Qt::LeftButton);
        QVERIFY(stored("ColorOperators").isEmpty()); // nothing written before Apply
        form->lblColor_DblClick(3); // cancelled: the colour stays
        QCOMPARE(dialogs_->colorRequests, 2);
        form->cmdApply->click();
        QCOMPARE(stored("ColorOperators"), QStringLiteral("DWORD %1").arg(0x00563412));
    }

    void browseButtonsFillThePaths()
    {
        frmOptions* form = frmOptions::Get();
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
        QCOMPARE(ScriptedDialogService::filterCaptionsShown(dialogs_->openRequests.last()),
                 (QStringList{"kix32.exe", "All Executable Files (*.exe)"}));
        QCOMPARE(ScriptedDialogService::firstFilterPatterns(dialogs_->openRequests.last()), QStringList{"kix32.exe"});
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
        QVERIFY(!frmOptions::IfLoaded());
        QCOMPARE(stored("TabSize"), QStringLiteral("DWORD 3"));
        QCOMPARE(frmOptions::Get()->cboTabSize->currentText(), QStringLiteral("3"));
    }
};

QTEST_MAIN(PreferencesTest)
#include "test_preferences.moc"
