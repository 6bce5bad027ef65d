// The preference store: the shared registry object, first-run defaults, and how stored values of
// every kind (other letter case, other registry type, unconvertible, out of range) load.

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
    void firstRunCreatesRegistryAndLoadsEveryDefault()
    {
        QVERIFY(PrefRegistry() == nullptr);
        Options::LoadPreferences();
        QVERIFY(PrefRegistry() != nullptr);
        using namespace Options;
        const QList<qint32> numbers{LineNum, WhiteSpace, TabSize, AutoIndentMode, MRUSize, ColorComments, ColorKeywords,
                                    ColorNumbers, ColorOperators, ColorStrings, ColorText, StyleComments, StyleKeywords,
                                    StyleNumbers, StyleOperators, StyleStrings, StyleText, StyleFontSize};
        QCOMPARE(numbers,
                 (QList<qint32>{0, 0, 5, 2, 4, 0x008000, 0xFF0000, 0, 0x0000FF, 0x800080, 0, 2, 1, 0, 0, 0, 0, 11}));
        QCOMPARE((QStringList{KixPath, ScriptPath, ExecuteConfirm, StyleFont}),
                 (QStringList{QString(), QString(), QStringLiteral("1"), QStringLiteral("Lucida Console")}));
    }

    // Names in any letter case, numbers stored as text and text as numbers. A foreign registry type
    // reads as the empty value: colour 0, not the default. A Boolean true converts to -1, not a style.
    void storedValuesLoadWhateverTheirType()
    {
        writeFile("\"linenum\"=dword:00000001\n"
                  "\"TabSize\"=\"  12 \"\n"
                  "\"MRUSize\"=dword:00000007\n"
                  "\"StyleFontSize\"=\"12\"\n"
                  "\"ExecuteConfirm\"=dword:00000000\n"
                  "\"KixPath\"=\"C:\\\\Program Files\\\\KiX\\\\kix32.exe\"\n"
                  "\"ColorText\"=dword:00123456\n"
                  "\"ColorKeywords\"=hex(2):31,00\n"
                  "\"ColorComments\"=hex(7):00,00\n"
                  "\"STYLEFONT\"=\"courier new\"\n"
                  "\"StyleText\"=hex:01\n");
        CreatePrefRegistry();
        Options::LoadPreferences();
        using namespace Options;
        const QList<qint32> numbers{LineNum,   TabSize,       MRUSize,       StyleFontSize,
                                    ColorText, ColorKeywords, ColorComments, StyleText};
        QCOMPARE(numbers, (QList<qint32>{1, 12, 7, 12, 0x123456, 0, 0, 0}));
        QCOMPARE((QStringList{ExecuteConfirm, KixPath, StyleFont}),
                 (QStringList{"0", "C:\\Program Files\\KiX\\kix32.exe", "Courier New"}));

        // MRUSize as the dialog writes it: text, replacing the number.
        PrefRegistry()->WriteRegValue(QStringLiteral("MRUSize"), TaggedValue::fromString(QStringLiteral("9")));
        LoadPreferences();
        QCOMPARE(MRUSize, 9);
    }

    void unusableValuesLoadAsDefaults_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("TabSize text") << QByteArray("\"TabSize\"=\"abc\"");
        QTest::newRow("TabSize 1") << QByteArray("\"TabSize\"=dword:00000001");
        QTest::newRow("TabSize 16") << QByteArray("\"TabSize\"=\"16\"");
        QTest::newRow("MRUSize 12") << QByteArray("\"MRUSize\"=\"12\"");
        QTest::newRow("MRUSize 0") << QByteArray("\"MRUSize\"=\"0\"");
        QTest::newRow("style 7") << QByteArray("\"StyleKeywords\"=dword:00000007");
        QTest::newRow("negative colour") << QByteArray("\"ColorComments\"=dword:ffffffff");
        QTest::newRow("colour too large") << QByteArray("\"ColorComments\"=dword:01000000");
        QTest::newRow("font size 13") << QByteArray("\"StyleFontSize\"=dword:0000000d");
        QTest::newRow("unknown font") << QByteArray("\"StyleFont\"=\"Comic Sans\"");
        QTest::newRow("indent mode 3") << QByteArray("\"AutoIndentMode\"=dword:00000003");
        QTest::newRow("line numbers 2") << QByteArray("\"LineNum\"=dword:00000002");
    }

    // The one value stored is unusable, so every option loads its default.
    void unusableValuesLoadAsDefaults()
    {
        QFETCH(QByteArray, line);
        writeFile(line + '\n');
        CreatePrefRegistry();
        Options::LoadPreferences();
        using namespace Options;
        const QList<qint32> numbers{TabSize,       MRUSize,        StyleKeywords, ColorComments,
                                    StyleFontSize, AutoIndentMode, LineNum};
        QCOMPARE(numbers, (QList<qint32>{5, 4, 1, 0x008000, 11, 2, 0}));
        QCOMPARE(StyleFont, QStringLiteral("Lucida Console"));
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "test_preferences.moc"
