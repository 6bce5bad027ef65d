// Every preference by registry name, type and syntax element: one value at a time is stored away from
// its default, loaded, pushed into an editor and written back by Apply; a crossed name, element or
// type shows up as the wrong row changing.

#include "document/CodeEditor.h"
#include "platform/FileRegistryStore.h"
#include "preferences/ColorSwatch.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"
#include "preferences/frmOptions.h"

#include <QTemporaryDir>
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

class PreferenceTableTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder_;
    std::string file_;

    // "DWORD 5" / "SZ text", as the file holds the value; empty when absent.
    QString stored(const char* name)
    {
        const auto values = platform::FileRegistryStore(file_).values(platform::HKEY_CURRENT_USER_, kPreferencesKey);
        for (const auto& value : values.value_or(std::vector<platform::RegistryValue>{})) {
            const auto& d = value.data;
            if (value.name != name)
                continue;
            if (value.type == platform::REG_DWORD_ && d.size() == 4)
                return QStringLiteral("DWORD %1").arg(qint32(d[0] | d[1] << 8 | d[2] << 16 | quint32(d[3]) << 24));
            if (value.type == platform::REG_SZ_ && !d.empty())
                return "SZ " + QString::fromUtf8(reinterpret_cast<const char*>(d.data()), qsizetype(d.size() - 1));
            return QStringLiteral("type %1").arg(value.type);
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder_.isValid());
        file_ = folder_.filePath(QStringLiteral("registry.reg")).toStdString();
        qputenv("TESSARY_REGISTRY_FILE", QByteArray::fromStdString(file_));
        CreatePrefRegistry();
    }

    void cleanup() { frmOptions::Unload(); }

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
        RegistryHandler& registry = *PrefRegistry();
        for (const QStringList& value : registry.EnumValues())
            registry.DeleteValue(value.value(0));
        registry.WriteRegValue(QLatin1String(changed.name),
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
};

QTEST_MAIN(PreferenceTableTest)
#include "test_preference_table.moc"
