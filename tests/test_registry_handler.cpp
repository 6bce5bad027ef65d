// RegistryHandler over the text-file store: the type mapping both ways, names without case, foreign
// registry types, code pages, key walks and DeleteKey.

#include "platform/FileRegistryStore.h"
#include "preferences/AnsiCodec.h"
#include "preferences/RegistryHandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace platform;

namespace {

const QString kKey = QStringLiteral("Software\\Orland Works\\Tessary Editor\\Test");

QByteArray fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("REGEDIT4\n\n" + text);
}

} // namespace

class RegistryHandlerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString file_;
    std::shared_ptr<FileRegistryStore> store_;
    std::unique_ptr<RegistryHandler> handler_;

    // The value as stored under the name it was first written with.
    std::optional<RegistryValue> stored(const std::string& name)
    {
        const auto values = store_->values(HKEY_CURRENT_USER_, kKey.toStdString());
        for (const auto& v : values.value_or(std::vector<RegistryValue>{}))
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

    void eachTagWritesItsRegistryTypeAndReadsBack()
    {
        using TV = TaggedValue;
        struct Row {
            const char* name; TV written; quint32 type; std::vector<uint8_t> data; TV read;
        };
        const Row rows[] = {
            {"Small", TV::fromInt16(1), REG_DWORD_, {1, 0, 0, 0}, TV::fromInt32(1)},
            {"Negative", TV::fromInt16(-2), REG_DWORD_, {0xFE, 0xFF, 0xFF, 0xFF}, TV::fromInt32(-2)},
            {"Wide", TV::fromInt32(0x800080), REG_DWORD_, {0x80, 0, 0x80, 0}, TV::fromInt32(0x800080)},
            {"ID", TV::fromString(QStringLiteral("1")), REG_SZ_, {'1', 0}, TV::fromString(QStringLiteral("1"))},
            {"On", TV::fromBool(true), REG_BINARY_, {0xFF}, TV::fromBool(true)},
            {"Off", TV::fromBool(false), REG_BINARY_, {0x00}, TV::fromBool(false)},
        };
        for (const Row& row : rows)
            handler_->WriteRegValue(QLatin1String(row.name), row.written);
        const TaggedValue fallback = TaggedValue::fromString(QStringLiteral("default"));
        for (const Row& row : rows) {
            auto value = stored(row.name);
            QVERIFY2(value && value->type == row.type && value->data == row.data, row.name);
            QCOMPARE(handler_->GetRegValue(QLatin1String(row.name), fallback), row.read);
        }
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
        QCOMPARE(handler_->GetRegValue(QStringLiteral("linenum"), TaggedValue()), TaggedValue::fromInt32(1));
        handler_->WriteRegValue(QStringLiteral("LINENUM"), TaggedValue::fromInt32(0));
        QCOMPARE(handler_->EnumValues(), (QList<QStringList>{{QStringLiteral("LineNum"), QStringLiteral("00000000")}}));
        QVERIFY(handler_->ExistValue(QStringLiteral("lInEnUm")));
        handler_->SetSubKey(QStringLiteral("SOFTWARE\\orland works"));
        QVERIFY(handler_->ExistKey(QStringLiteral("tessary editor")));
        QVERIFY(!handler_->ExistKey(QStringLiteral("tessary")));
    }

    // Values the editor did not write: foreign types read as empty (not the default) and survive a
    // rewrite byte for byte; long or NUL-holding text is cut; a short DWORD still reads.
    void storedValuesOfEveryShapeRead()
    {
        const QByteArray expandLine = "\"KixPath\"=hex(2):25,00,50,00,00\n";
        const QByteArray multiLine = "\"Recent\"=hex(7):61,00,62,00,00\n";
        writeFile(file_, "[HKEY_CURRENT_USER\\" + kKey.toLatin1() + "]\n" + expandLine + multiLine + "\"Long\"=\"" +
                             QByteArray(3000, 'a') + "\"\n\"Inner\"=hex(1):61,62,00,63,00\n\"Short\"=hex(4):07\n");
        const TaggedValue fallback = TaggedValue::fromString(QStringLiteral("default"));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("KixPath"), fallback), TaggedValue());
        QCOMPARE(handler_->GetRegValue(QStringLiteral("recent"), fallback), TaggedValue());
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Long"), fallback).toString(), QString(2047, u'a'));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Inner"), fallback).toString(), QStringLiteral("ab"));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Short"), fallback), TaggedValue::fromInt32(7));
        handler_->WriteRegValue(QStringLiteral("Other"), TaggedValue::fromString(QStringLiteral("x")));
        const QByteArray text = fileText(file_);
        QVERIFY(text.contains(expandLine) && text.contains(multiLine));
        QCOMPARE(handler_->EnumValues().mid(0, 2),
                 (QList<QStringList>{{QStringLiteral("KixPath"), QStringLiteral("%")},
                                     {QStringLiteral("Recent"), QStringLiteral("6100620000")}}));
    }

    // Text crosses in the system's code page: UTF-8 here (Windows-1252 on Windows); bytes written
    // earlier in Windows-1252 still read right.
    void textCrossesInTheSystemCodePage()
    {
        const QString path = QStringLiteral("/home/li/\u4E2D\u6587/\u20ACuro \u00E9t\u00E9.kix");
        handler_->WriteRegValue(QStringLiteral("Caf\u00E9"), TaggedValue::fromString(path));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("CAF\u00C9"), TaggedValue()).toString(), path);
#ifdef Q_OS_WIN
        QVERIFY(stored("Caf\xE9"));
#else
        auto value = stored("Caf\xC3\xA9");
        QVERIFY(value);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(value->data.data()), int(value->data.size())),
                 path.toUtf8() + QByteArray(1, '\0'));
        QVERIFY(fileText(file_).contains(path.toUtf8()));

        // Windows-1252 bytes of an older file, and a long UTF-8 text cut at 2047 bytes.
        store_->setValue(HKEY_CURRENT_USER_, kKey.toStdString(),
                         {"Old", REG_SZ_, {'C', ':', '\\', 0xC9, 0x80, 0x81, 0}});
        QCOMPARE(handler_->GetRegValue(QStringLiteral("old"), TaggedValue()).toString(),
                 QStringLiteral("C:\\\u00C9\u20AC\u0081"));
        const QString longText = QString(1000, QChar(0x00E9)) + QStringLiteral("xy") + QString(100, QChar(0x00E9));
        handler_->WriteRegValue(QStringLiteral("Long"), TaggedValue::fromString(longText));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("Long"), TaggedValue()).toString(),
                 QString(1000, QChar(0x00E9)) + QStringLiteral("xy") + QString(22, QChar(0x00E9)));
#endif
        // Windows-1252 itself keeps every byte through a decode and encode, the five undefined ones included.
        std::string all;
        for (int b = 1; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        QCOMPARE(AnsiCodec::encode1252(AnsiCodec::decode1252(all.data(), all.size())), all);
    }

    void writeCreatesWholePathAndMissingKeysReadEmpty()
    {
        handler_->SetSubKey(QStringLiteral("Software\\New\\Deep\\Path"));
        QVERIFY(handler_->EnumKeys().isEmpty() && handler_->EnumValues().isEmpty());
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
        for (const char* key :
             {"\\Doomed\\A\\A1", "\\Doomed\\A\\A2\\Deep", "\\Doomed\\B", "\\Doomed", "\\Kept", "\\DoomedToo"}) {
            handler_->SetSubKey(base + QLatin1String(key));
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

    void readsOtherRoots()
    {
        writeFile(file_, "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
                         "\"CSDVersion\"=\"Service Pack 2\"\n\"Build\"=dword:00000a28\n");
        RegistryHandler machine(store_);
        machine.SetHive(HKEY_LOCAL_MACHINE_);
        machine.SetSubKey(QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion"));
        QCOMPARE(machine.GetRegValue(QStringLiteral("csdversion"), TaggedValue()).toString(),
                 QStringLiteral("Service Pack 2"));
        QCOMPARE(machine.EnumValues().value(1), (QStringList{QStringLiteral("Build"), QStringLiteral("280A0000")}));
        QVERIFY(handler_->EnumValues().isEmpty()); // nothing under HKEY_CURRENT_USER
    }

    void taggedValueConversions()
    {
        QCOMPARE(TaggedValue::fromString(QStringLiteral("  -42 ")).toInt32(), std::optional<qint32>(-42));
        for (const char* text : {"0x10", "99999999999", "", "4.5"})
            QVERIFY2(!TaggedValue::fromString(QLatin1String(text)).toInt32(), text);
        QCOMPARE((QList<std::optional<bool>>{TaggedValue::fromString(QStringLiteral("tRUE")).toBool(),
                  TaggedValue::fromString(QStringLiteral("0")).toBool(), TaggedValue::fromInt32(-5).toBool(),
                  TaggedValue::fromString(QStringLiteral("yes")).toBool()}),
                 (QList<std::optional<bool>>{true, false, true, std::nullopt}));
    }
};

QTEST_GUILESS_MAIN(RegistryHandlerTest)
#include "test_registry_handler.moc"
