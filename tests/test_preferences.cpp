// The preference store: the shared registry object, first-run defaults, and how stored values of
// every kind (other letter case, other registry type, unconvertible, out of range) load.

#include "platform/FileRegistryStore.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace platform;

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

    // Runs first: nothing has created the shared object yet.
    void loadCreatesSharedRegistryOnFirstUse()
    {
        QVERIFY(PrefRegistry() == nullptr);
        Options::LoadPreferences();
        QVERIFY(PrefRegistry() != nullptr);
        QCOMPARE(PrefRegistry()->Hive(), quint32(0x80000001));
        QCOMPARE(PrefRegistry()->SubKey(), QStringLiteral("Software\\Orland Works\\Tessary Editor\\Preferences"));
        QCOMPARE(QString::fromLatin1(kRecentFilesKey), PrefRegistry()->SubKey() + QStringLiteral("\\MRU"));

        RegistryHandler& replaced = CreatePrefRegistry();
        QCOMPARE(PrefRegistry(), &replaced);
        replaced.WriteRegValue(QStringLiteral("ID"), TaggedValue::fromString(QStringLiteral("1")));
        QVERIFY(FileRegistryStore(file_.toStdString()).keyExists(HKEY_CURRENT_USER_, kPreferencesKey));
    }

    void firstRunLoadsEveryDefault()
    {
        CreatePrefRegistry().WriteRegValue(QStringLiteral("ID"), TaggedValue::fromString(QStringLiteral("1")));
        Options::LoadPreferences();
        QCOMPARE(Options::LineNum, 0);
        QCOMPARE(Options::WhiteSpace, 0);
        QCOMPARE(Options::TabSize, 5);
        QCOMPARE(Options::AutoIndentMode, 2);
        QCOMPARE(Options::KixPath, QString());
        QCOMPARE(Options::ScriptPath, QString());
        QCOMPARE(Options::MRUSize, 4);
        QCOMPARE(Options::ExecuteConfirm, QStringLiteral("1"));
        QCOMPARE(Options::ColorComments, 0x008000);
        QCOMPARE(Options::ColorKeywords, 0xFF0000);
        QCOMPARE(Options::ColorNumbers, 0);
        QCOMPARE(Options::ColorOperators, 0x0000FF);
        QCOMPARE(Options::ColorStrings, 0x800080);
        QCOMPARE(Options::ColorText, 0);
        QCOMPARE(Options::StyleComments, 2);
        QCOMPARE(Options::StyleKeywords, 1);
        QCOMPARE(Options::StyleNumbers, 0);
        QCOMPARE(Options::StyleOperators, 0);
        QCOMPARE(Options::StyleStrings, 0);
        QCOMPARE(Options::StyleText, 0);
        QCOMPARE(Options::StyleFont, QStringLiteral("Lucida Console"));
        QCOMPARE(Options::StyleFontSize, 11);
    }

    void storedValuesLoadWhateverTheirType()
    {
        writeFile("\"linenum\"=dword:00000001\n"
                  "\"TabSize\"=\"  12 \"\n"
                  "\"MRUSize\"=dword:00000007\n"
                  "\"StyleFontSize\"=\"12\"\n"
                  "\"ExecuteConfirm\"=dword:00000000\n"
                  "\"KixPath\"=\"C:\\\\Program Files\\\\KiX\\\\kix32.exe\"\n"
                  "\"ColorText\"=dword:00123456\n"
                  "\"STYLEFONT\"=\"courier new\"\n"
                  "\"StyleText\"=hex:01\n");
        CreatePrefRegistry();
        Options::LoadPreferences();
        QCOMPARE(Options::LineNum, 1);
        QCOMPARE(Options::TabSize, 12);
        QCOMPARE(Options::MRUSize, 7);
        QCOMPARE(Options::StyleFontSize, 12);
        QCOMPARE(Options::ExecuteConfirm, QStringLiteral("0"));
        QCOMPARE(Options::KixPath, QStringLiteral("C:\\Program Files\\KiX\\kix32.exe"));
        QCOMPARE(Options::ColorText, 0x123456);
        QCOMPARE(Options::StyleFont, QStringLiteral("Courier New"));
        QCOMPARE(Options::StyleText, 0); // a Boolean true converts to -1: outside the styles

        // MRUSize as the dialog writes it: text.
        PrefRegistry()->WriteRegValue(QStringLiteral("MRUSize"), TaggedValue::fromString(QStringLiteral("7")));
        PrefRegistry()->WriteRegValue(QStringLiteral("MRUSize"), TaggedValue::fromString(QStringLiteral("9")));
        Options::LoadPreferences();
        QCOMPARE(Options::MRUSize, 9);
    }

    void unusableValuesLoadAsDefaults_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("option");
        QTest::newRow("TabSize text") << QByteArray("\"TabSize\"=\"abc\"") << "TabSize";
        QTest::newRow("TabSize 1") << QByteArray("\"TabSize\"=dword:00000001") << "TabSize";
        QTest::newRow("TabSize 16") << QByteArray("\"TabSize\"=\"16\"") << "TabSize";
        QTest::newRow("MRUSize 12") << QByteArray("\"MRUSize\"=\"12\"") << "MRUSize";
        QTest::newRow("MRUSize 0") << QByteArray("\"MRUSize\"=\"0\"") << "MRUSize";
        QTest::newRow("MRUSize decimal point") << QByteArray("\"MRUSize\"=\"4.5\"") << "MRUSize";
        QTest::newRow("style 7") << QByteArray("\"StyleKeywords\"=dword:00000007") << "StyleKeywords";
        QTest::newRow("negative colour") << QByteArray("\"ColorComments\"=dword:ffffffff") << "ColorComments";
        QTest::newRow("colour too large") << QByteArray("\"ColorComments\"=dword:01000000") << "ColorComments";
        QTest::newRow("font size 13") << QByteArray("\"StyleFontSize\"=dword:0000000d") << "StyleFontSize";
        QTest::newRow("unknown font") << QByteArray("\"StyleFont\"=\"Comic Sans\"") << "StyleFont";
        QTest::newRow("indent mode 3") << QByteArray("\"AutoIndentMode\"=dword:00000003") << "AutoIndentMode";
        QTest::newRow("line numbers 2") << QByteArray("\"LineNum\"=dword:00000002") << "LineNum";
    }

    void unusableValuesLoadAsDefaults()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, option);
        writeFile(line + '\n');
        CreatePrefRegistry();
        Options::LoadPreferences();
        const QHash<QString, QString> loaded{
            {"TabSize", QString::number(Options::TabSize)},
            {"MRUSize", QString::number(Options::MRUSize)},
            {"StyleKeywords", QString::number(Options::StyleKeywords)},
            {"ColorComments", QString::number(Options::ColorComments)},
            {"StyleFontSize", QString::number(Options::StyleFontSize)},
            {"StyleFont", Options::StyleFont},
            {"AutoIndentMode", QString::number(Options::AutoIndentMode)},
            {"LineNum", QString::number(Options::LineNum)},
        };
        const QHash<QString, QString> defaults{
            {"TabSize", "5"}, {"MRUSize", "4"}, {"StyleKeywords", "1"}, {"ColorComments", QString::number(0x8000)},
            {"StyleFontSize", "11"}, {"StyleFont", "Lucida Console"}, {"AutoIndentMode", "2"}, {"LineNum", "0"},
        };
        QCOMPARE(loaded.value(option), defaults.value(option));
    }

    void foreignTypeLoadsAsEmptyNotDefault()
    {
        // Read as the empty value, which is "" and 0 (black), not the defaults "1" and green.
        writeFile("\"KixPath\"=hex(2):25,50,00\n\"ExecuteConfirm\"=hex(2):31,00\n\"ColorComments\"=hex(7):00,00\n");
        CreatePrefRegistry();
        Options::LoadPreferences();
        QCOMPARE(Options::KixPath, QString());
        QCOMPARE(Options::ExecuteConfirm, QString());
        QCOMPARE(Options::ColorComments, 0);
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "test_preferences.moc"
