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
        QCOMPARE(map.storedKey("messagebox"), QString("MessageBox"));
        QVERIFY(Map::isText(*map.value("messageBOX"))); // the value is replaced, the spelling kept
        QVERIFY(!map.value("Message").has_value());
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
        QCOMPARE(def->keywordList(), CommandTable.keys()); // in the table's order
        QVERIFY(!CommandTable.contains("If")); // scope words are not commands
    }

    void laterRegistrationReplacesEarlier()
    {
        auto& registry = LanguageRegistry::instance();
        auto first = std::make_shared<LanguageDefinition>();
        auto second = std::make_shared<LanguageDefinition>();
        registry.RegisterLanguage("TestLang", first);
        registry.RegisterLanguage("TESTLANG", second);
        QCOMPARE(registry.find("testLANG"), std::shared_ptr<const LanguageDefinition>(second));
        QObject owner;
        QVERIFY(!registry.createLexer("NoSuchLanguage", &owner));
        QsciLexer* lexer = registry.createLexer("testLang", &owner);
        QVERIFY(lexer);
        QCOMPARE(lexer->parent(), &owner);
    }
};

QTEST_MAIN(TestKixTables)
#include "test_kix_tables.moc"
