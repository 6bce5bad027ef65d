// RegistryHandler over the text-file store: the type mapping in both directions (checked against the
// stored bytes and the file text), case-insensitive names, foreign registry types, key walks, DeleteKey.

#include "platform/FileRegistryStore.h"
#include "preferences/AnsiCodec.h"
#include "preferences/RegistryHandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace platform;

namespace {

const QString kKey = QStringLiteral("Software\\Orland Works\\Tessary Editor\\Test");

QByteArray fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class RegistryHandlerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString file_;
    std::shared_ptr<FileRegistryStore> store_;
    std::unique_ptr<RegistryHandler> handler_;

    // The value as stored, looked up with the store's own (case-insensitive) name matching.
    std::optional<RegistryValue> stored(const std::string& name)
    {
        FileRegistryStore fresh(file_.toStdString());
        auto values = fresh.values(HKEY_CURRENT_USER_, kKey.toStdString());
        if (values)
            for (const auto& v : *values)
                if (v.name == name)
                    return v;
        return std::nullopt;
    }

private slots:
    void init()
    {
        static int round = 0;
        file_ = dir_.filePath(QStringLiteral("registry-%1.reg").arg(++round));
        qputenv("TESSARY_REGISTRY_FILE", file_.toLocal8Bit());
        store_ = std::make_shared<FileRegistryStore>(file_.toStdString());
        handler_ = std::make_unique<RegistryHandler>(store_);
        handler_->SetHive(HKEY_CURRENT_USER_);
        handler_->SetSubKey(kKey);
    }

    void writesEachTagAsItsRegistryType()
    {
        handler_->WriteRegValue(QStringLiteral("Small"), TaggedValue::fromInt16(1));
        handler_->WriteRegValue(QStringLiteral("Negative"), TaggedValue::fromInt16(-2));
        handler_->WriteRegValue(QStringLiteral("Wide"), TaggedValue::fromInt32(0x00800080));
        handler_->WriteRegValue(QStringLiteral("ID"), TaggedValue::fromString(QStringLiteral("1")));
        handler_->WriteRegValue(QStringLiteral("On"), TaggedValue::fromBool(true));
        handler_->WriteRegValue(QStringLiteral("Off"), TaggedValue::fromBool(false));

        const std::vector<std::tuple<std::string, uint32_t, std::vector<uint8_t>>> expected{
            {"Small", REG_DWORD_, {1, 0, 0, 0}},
            {"Negative", REG_DWORD_, {0xFE, 0xFF, 0xFF, 0xFF}},
            {"Wide", REG_DWORD_, {0x80, 0x00, 0x80, 0x00}},
            {"ID", REG_SZ_, {'1', 0}},
            {"On", REG_BINARY_, {0xFF}},
            {"Off", REG_BINARY_, {0x00}},
        };
        for (const auto& [name, type, data] : expected) {
            auto value = stored(name);
            QVERIFY2(value, name.c_str());
            QCOMPARE(value->type, type);
            QVERIFY2(value->data == data, name.c_str());
        }
        const QByteArray text = fileText(file_);
        QVERIFY(text.contains("\"Small\"=dword:00000001\n"));
        QVERIFY(text.contains("\"Negative\"=dword:fffffffe\n"));
        QVERIFY(text.contains("\"ID\"=\"1\"\n"));
        QVERIFY(text.contains("\"On\"=hex:ff\n"));
        QVERIFY(text.contains("\"Off\"=hex:00\n"));

        const TaggedValue fallback = TaggedValue::fromString(QStringLiteral("default"));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Small"), fallback), TaggedValue::fromInt32(1));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Negative"), fallback), TaggedValue::fromInt32(-2));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("ID"), fallback), TaggedValue::fromString(QStringLiteral("1")));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("On"), fallback), TaggedValue::fromBool(true));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Off"), fallback), TaggedValue::fromBool(false));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Missing"), fallback), fallback);
    }

    void untypedValuesWriteNothing()
    {
        handler_->WriteRegValue(QStringLiteral("TabSize"), TaggedValue::fromInt32(7));
        handler_->WriteRegValue(QStringLiteral("TabSize"), TaggedValue::fromDouble(2.5));
        handler_->WriteRegValue(QStringLiteral("TabSize"), TaggedValue());
        handler_->WriteRegValue(QStringLiteral("Fresh"), TaggedValue::fromDouble(1.0));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("TabSize"), TaggedValue()), TaggedValue::fromInt32(7));
        QVERIFY(!handler_->ExistValue(QStringLiteral("Fresh")));
    }

    void namesMatchWithoutCase()
    {
        handler_->WriteRegValue(QStringLiteral("LineNum"), TaggedValue::fromInt32(1));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("linenum"), TaggedValue::fromInt32(0)), TaggedValue::fromInt32(1));
        handler_->WriteRegValue(QStringLiteral("LINENUM"), TaggedValue::fromInt32(0));
        QCOMPARE(handler_->EnumValues(), (QList<QStringList>{{QStringLiteral("LineNum"), QStringLiteral("00000000")}}));
        QVERIFY(handler_->ExistValue(QStringLiteral("lInEnUm")));
        handler_->SetSubKey(QStringLiteral("SOFTWARE\\orland works"));
        QVERIFY(handler_->ExistKey(QStringLiteral("tessary editor")));
        QVERIFY(!handler_->ExistKey(QStringLiteral("tessary")));
    }

    void foreignTypesReadEmptyAndSurviveRewrites()
    {
        const QByteArray expandLine = "\"KixPath\"=hex(2):25,00,50,00,00\n";
        const QByteArray multiLine = "\"Recent\"=hex(7):61,00,62,00,00\n";
        QFile f(file_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + kKey.toLatin1() + "]\n" + expandLine + multiLine);
        f.close();
        const TaggedValue fallback = TaggedValue::fromString(QStringLiteral("default"));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("KixPath"), fallback), TaggedValue());
        QCOMPARE(handler_->GetRegValue(QStringLiteral("recent"), fallback), TaggedValue());
        handler_->WriteRegValue(QStringLiteral("Other"), TaggedValue::fromString(QStringLiteral("x")));
        const QByteArray text = fileText(file_);
        QVERIFY(text.contains(expandLine));
        QVERIFY(text.contains(multiLine));
        QCOMPARE(handler_->EnumValues().at(0), (QStringList{QStringLiteral("KixPath"), QStringLiteral("%")}));
        QCOMPARE(handler_->EnumValues().at(1), (QStringList{QStringLiteral("Recent"), QStringLiteral("6100620000")}));
    }

    void textCrossesAsWindows1252()
    {
        const QString text = QStringLiteral("C:\\Skripte\\\u20ACuro \u00E9t\u00E9 \u2014 \u4E2D");
        handler_->WriteRegValue(QStringLiteral("Caf\u00E9"), TaggedValue::fromString(text));
        auto value = stored("Caf\xE9");
        QVERIFY(value);
        QByteArray expected("C:\\Skripte\\\x80uro \xE9t\xE9 \x97 ?");
        expected.append('\0');
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(value->data.data()), static_cast<int>(value->data.size())),
                 expected);
        QCOMPARE(handler_->GetRegValue(QStringLiteral("CAF\u00C9"), TaggedValue()).toString(),
                 QStringLiteral("C:\\Skripte\\\u20ACuro \u00E9t\u00E9 \u2014 ?"));
        // Every byte survives a decode and encode, the five undefined ones included.
        std::string all;
        for (int b = 1; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        QCOMPARE(AnsiCodec::encode(AnsiCodec::decode(all)), all);
    }

    void longAndOddStringsAreCut()
    {
        store_->setValue(HKEY_CURRENT_USER_, kKey.toStdString(),
                         {"Long", REG_SZ_, std::vector<uint8_t>(3000, 'a')});
        store_->setValue(HKEY_CURRENT_USER_, kKey.toStdString(), {"Inner", REG_SZ_, {'a', 'b', 0, 'c', 0}});
        store_->setValue(HKEY_CURRENT_USER_, kKey.toStdString(), {"Short", REG_DWORD_, {7}});
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Long"), TaggedValue()).toString().size(), 2047);
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Inner"), TaggedValue()).toString(), QStringLiteral("ab"));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Short"), TaggedValue()), TaggedValue::fromInt32(7));
    }

    void writeCreatesWholePathAndMissingKeysReadEmpty()
    {
        handler_->SetSubKey(QStringLiteral("Software\\New\\Deep\\Path"));
        QVERIFY(handler_->EnumKeys().isEmpty());
        QVERIFY(handler_->EnumValues().isEmpty());
        QVERIFY(!handler_->ExistValue(QStringLiteral("ID")));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("ID"), TaggedValue::fromInt32(9)), TaggedValue::fromInt32(9));
        handler_->WriteRegValue(QStringLiteral("ID"), TaggedValue::fromString(QStringLiteral("1")));
        QVERIFY(FileRegistryStore(file_.toStdString()).keyExists(HKEY_CURRENT_USER_, "Software\\New\\Deep\\Path"));
        handler_->SetSubKey(QStringLiteral("Software\\New"));
        QCOMPARE(handler_->EnumKeys(), QStringList{QStringLiteral("Deep")});
    }

    void deleteKeyRemovesTreeAndLeavesParent()
    {
        const QString base = QStringLiteral("Software\\Tree");
        for (const QString& key : {QStringLiteral("\\Doomed\\A\\A1"), QStringLiteral("\\Doomed\\A\\A2\\Deep"),
                                   QStringLiteral("\\Doomed\\B"), QStringLiteral("\\Doomed"),
                                   QStringLiteral("\\Kept"), QStringLiteral("\\DoomedToo")}) {
            handler_->SetSubKey(base + key);
            handler_->WriteRegValue(QStringLiteral("v"), TaggedValue::fromInt32(1));
        }
        handler_->SetSubKey(base + QStringLiteral("\\doomed"));
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), base);
        QCOMPARE(handler_->EnumKeys(), (QStringList{QStringLiteral("Kept"), QStringLiteral("DoomedToo")}));

        handler_->SetSubKey(QStringLiteral("Software\\Tree\\Missing"));
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), base);
        // A top-level key: the parent path is empty; the root itself is never touched.
        handler_->SetSubKey(QStringLiteral("Software"));
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), QString());
        QVERIFY(!FileRegistryStore(file_.toStdString()).keyExists(HKEY_CURRENT_USER_, "Software"));
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), QString());
    }

    void otherRootsAndValueWalkDetails()
    {
        QFile f(file_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
                "\"CSDVersion\"=\"Service Pack 2\"\n\"Build\"=dword:00000a28\n\"Flag\"=hex:01,00\n");
        f.close();
        RegistryHandler machine(store_);
        machine.SetHive(HKEY_LOCAL_MACHINE_);
        machine.SetSubKey(QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion"));
        QCOMPARE(machine.GetRegValue(QStringLiteral("csdversion"), TaggedValue()).toString(),
                 QStringLiteral("Service Pack 2"));
        QCOMPARE(machine.lastWalkTypes(), (std::vector<quint32>{REG_SZ_, REG_DWORD_, REG_BINARY_}));
        QCOMPARE(machine.EnumValues(),
                 (QList<QStringList>{{QStringLiteral("CSDVersion"), QStringLiteral("Service Pack 2")},
                                     {QStringLiteral("Build"), QStringLiteral("280A0000")},
                                     {QStringLiteral("Flag"), QStringLiteral("0100")}}));
        QCOMPARE(machine.GetRegValue(QStringLiteral("Flag"), TaggedValue()), TaggedValue::fromBool(true));
        QVERIFY(handler_->EnumValues().isEmpty()); // nothing under HKEY_CURRENT_USER

        // The walk lets pending events run.
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        machine.GetRegValue(QStringLiteral("Flag"), TaggedValue());
        QVERIFY(ran);
    }

    void taggedValueConversions()
    {
        QCOMPARE(TaggedValue().toInt32(), std::optional<qint32>(0));
        QCOMPARE(TaggedValue::fromBool(true).toInt32(), std::optional<qint32>(-1));
        QCOMPARE(TaggedValue::fromString(QStringLiteral("  -42 ")).toInt32(), std::optional<qint32>(-42));
        QCOMPARE(TaggedValue::fromString(QStringLiteral("+7")).toInt32(), std::optional<qint32>(7));
        QCOMPARE(TaggedValue::fromString(QStringLiteral("0x10")).toInt32(), std::nullopt);
        QCOMPARE(TaggedValue::fromString(QStringLiteral("99999999999")).toInt32(), std::nullopt);
        QCOMPARE(TaggedValue::fromString(QString()).toInt32(), std::nullopt);
        QCOMPARE(TaggedValue::fromDouble(3.0).toInt32(), std::nullopt);
        QCOMPARE(TaggedValue::fromString(QStringLiteral("tRUE")).toBool(), std::optional<bool>(true));
        QCOMPARE(TaggedValue::fromString(QStringLiteral("False")).toBool(), std::optional<bool>(false));
        QCOMPARE(TaggedValue::fromString(QStringLiteral("0")).toBool(), std::optional<bool>(false));
        QCOMPARE(TaggedValue::fromInt32(-5).toBool(), std::optional<bool>(true));
        QCOMPARE(TaggedValue::fromString(QStringLiteral("yes")).toBool(), std::nullopt);
        QCOMPARE(TaggedValue::fromBool(false).toString(), QStringLiteral("False"));
        QCOMPARE(TaggedValue::fromInt16(-3).toString(), QStringLiteral("-3"));
        QVERIFY(!(TaggedValue::fromInt16(1) == TaggedValue::fromInt32(1)));
    }
};

QTEST_GUILESS_MAIN(RegistryHandlerTest)
#include "test_registry_handler.moc"
