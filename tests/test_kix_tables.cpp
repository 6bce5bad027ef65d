// The KiXtart reference tables, the language definition built from them, and the language registry.

#include "document/CaseInsensitiveOrderedMap.h"
#include "document/LanguageRegistry.h"
#include "document/modKixLanguage.h"

#include <Qsci/qscilexer.h>

#include <QtTest>

using Map = CaseInsensitiveOrderedMap;

class TestKixTables : public QObject {
    Q_OBJECT
private slots:
    void init() { BuildReferenceTables(); }

    void orderedMapKeepsFirstSpellingAndOneEntryPerKey()
    {
        Map map;
        QVERIFY(map.insert("MessageBox", 1));
        QVERIFY(!map.insert("MESSAGEBOX", QString("x")));
        QVERIFY(map.insert(QString::fromUtf8("Ärger"), 1));
        for (const char* probe : {"äRGER", "ÄRGER", "Arger", "Straße"}) {
            const QString p = QString::fromUtf8(probe);
            QCOMPARE(map.contains(p), QString::compare(p, QString::fromUtf8("Ärger"), Qt::CaseInsensitive) == 0);
        }
        QCOMPARE(map.count(), 2);
        QCOMPARE(map.keys().first(), QString("MessageBox"));
        QCOMPARE(map.storedKey("messagebox"), QString("MessageBox"));
        QVERIFY(Map::isText(*map.value("messageBOX")));
        QVERIFY(!map.value("Message").has_value());
        QVERIFY(!Map::isEmptyText(Map::Value(1)));
        QVERIFY(!Map::isNumber(Map::Value(QString()), 1));
    }

    void commandTableHasEveryEntryInOrder()
    {
        QCOMPARE(CommandTable.count(), 135);
        const QStringList keys = CommandTable.keys();
        QCOMPARE(keys.mid(0, 6), (QStringList{":", "?", "AddKey", "AddPrinterConnection", "AddProgramGroup", "AddProgramItem"}));
        QCOMPARE(keys.mid(keys.indexOf("FlushKB"), 4), (QStringList{"FlushKB", "Each", "EndFunction", "Function"}));
        QCOMPARE(keys.mid(keys.indexOf("SaveKey"), 3), (QStringList{"SaveKey", "Case", "SendKeys"}));
        QCOMPARE(keys.mid(131), (QStringList{"VarTypeName", "WriteLine", "WriteProfileString", "WriteValue"}));

        int ones = 0, texts = 0;
        for (const Map::Entry& e : CommandTable.entries()) {
            if (Map::isNumber(e.value, 1))
                ++ones;
            else if (Map::isText(e.value) && !std::get<QString>(e.value).isEmpty())
                ++texts;
        }
        QCOMPARE(ones, 35); // ":", "?" and 33 others
        QCOMPARE(texts, 99); // KBHit alone has the empty text
    }

    void commandValuesAreExact()
    {
        QCOMPARE(Map::toText(*CommandTable.value("OLECallFunc")),
                 QString(R"(Object Handle, "Method Name", "Type List", ", Optional Arguments")"));
        QCOMPARE(Map::toText(*CommandTable.value("messagebox")),
                 QString(R"("Message", "Title", Style, [Time-out])"));
        QCOMPARE(Map::toText(*CommandTable.value("Copy")), QString(R"("Source", "Destination", [/h])"));
        QVERIFY(Map::isEmptyText(*CommandTable.value("KBHIT")));
        QVERIFY(Map::isNumber(*CommandTable.value("?"), 1));
        QVERIFY(Map::isNumber(*CommandTable.value(":"), 1));
        QVERIFY(Map::isNumber(*CommandTable.value("beep"), 1));
        QVERIFY(!CommandTable.contains("MsgBox"));
        QVERIFY(!CommandTable.contains("Message"));
        QVERIFY(!CommandTable.contains("If")); // scope words are not commands
    }

    void macroTableHasEveryNameInOrder()
    {
        QCOMPARE(MacroTable.count(), 54);
        const QStringList keys = MacroTable.keys();
        QCOMPARE(keys.first(), QString("ADDRESS"));
        QCOMPARE(keys.last(), QString("YEAR"));
        QCOMPARE(keys.indexOf("MONTH"), keys.indexOf("MONTHNO") + 1);
        QVERIFY(MacroTable.contains("month") && MacroTable.contains("MonthNo"));
        QVERIFY(!MacroTable.contains("MON"));
        for (const Map::Entry& e : MacroTable.entries())
            QVERIFY2(Map::isNumber(e.value, 1), qPrintable(e.key));
    }

    void rebuildingReplacesTables()
    {
        CommandTable.insert("Extra", 1);
        BuildReferenceTables();
        BuildReferenceTables();
        QCOMPARE(CommandTable.count(), 135);
        QCOMPARE(MacroTable.count(), 54);
        QVERIFY(!CommandTable.contains("Extra"));
    }

    void registeredDefinitionIsBuiltFromTables()
    {
        const auto def = RegisterKixLanguage();
        QVERIFY(def);
        QCOMPARE(LanguageRegistry::instance().find("kixtart"), def);
        QVERIFY(!def->caseSensitive());
        QVERIFY(def->keywords().startsWith(":\n?\nAddKey\nAddPrinterConnection\n"));
        QVERIFY(def->keywords().endsWith("\nWriteValue"));
        QCOMPARE(def->keywordList(), CommandTable.keys());
        QCOMPARE(def->operators(), QString("+\n-\n*\n/\n<>\n<\n>\n>=\n<=\n=\n==\nAND\nOR\nNOT\n&\n|"));
        QCOMPARE(def->singleLineComments(), QString(";"));
        QVERIFY(def->multiLineComments1().isEmpty() && def->multiLineComments2().isEmpty());
        QCOMPARE(def->stringDelimiterList(), (QStringList{"\"", "'"}));
        QVERIFY(def->escapeChar().isEmpty());
        QCOMPARE(def->terminatorChar(), QChar(0));
        QCOMPARE(ScopeKeywordText, QString("Do\nFor\nIf\nSelect\nWhile\nUntil\nNext\nEndIf\nEndSelect\nLoop"));
    }

    void laterRegistrationReplacesEarlier()
    {
        auto& registry = LanguageRegistry::instance();
        auto first = std::make_shared<LanguageDefinition>();
        first->setKeywords("Alpha");
        auto second = std::make_shared<LanguageDefinition>();
        second->setKeywords("Beta");
        registry.RegisterLanguage("TestLang", first);
        registry.RegisterLanguage("TESTLANG", second);
        QCOMPARE(registry.find("testlang"), std::shared_ptr<const LanguageDefinition>(second));
        QVERIFY(!registry.find("NoSuchLanguage"));
        QObject owner;
        QVERIFY(!registry.createLexer("NoSuchLanguage", &owner));
        QsciLexer* lexer = registry.createLexer("testLang", &owner);
        QVERIFY(lexer);
        QCOMPARE(lexer->parent(), &owner);
    }
};

QTEST_MAIN(TestKixTables)
#include "test_kix_tables.moc"
