// The preference store: the shared registry object, and how stored values of every kind load
// (defaults of every value are test_preference_table's).

#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class PreferencesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString file_;

    void writeFile(const QByteArray& values)
    {
        QFile f(file_);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orland Works\\Tessary Editor\\Preferences]\n" + values);
    }

private slots:
    void init()
    {
        static int round = 0;
        file_ = dir_.filePath(QStringLiteral("prefs-%1.reg").arg(++round));
        qputenv("TESSARY_REGISTRY_FILE", file_.toLocal8Bit());
        Options::ResetToDefaults();
        // Values that differ from every default, so a load that skips a value shows.
        Options::TabSize = Options::LineNum = Options::MRUSize = -99;
        Options::ColorComments = Options::StyleComments = Options::StyleFontSize = -99;
        Options::StyleFont = Options::KixPath = Options::ExecuteConfirm = QStringLiteral("stale");
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
        writeFile("\"linenum\"=dword:00000001\n\"TabSize\"=\"  12 \"\n\"MRUSize\"=dword:00000007\n\"StyleFontSize\"=\"12\"\n"
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
        writeFile(line + '\n');
        CreatePrefRegistry();
        Options::LoadPreferences();
        using namespace Options;
        QCOMPARE((QList<qint32>{TabSize, MRUSize, StyleKeywords, ColorComments, StyleFontSize, AutoIndentMode, LineNum}),
                 (QList<qint32>{5, 4, 1, 0x008000, 11, 2, 0}));
        QCOMPARE(StyleFont, QStringLiteral("Lucida Console"));
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "test_preferences.moc"
