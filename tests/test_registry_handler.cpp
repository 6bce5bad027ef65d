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
using TV = TaggedValue;

namespace {

const QString kKey = QStringLiteral("Software\\Orland Works\\Tessary Editor\\Test");

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("REGEDIT4\n\n" + text);
}

} // namespace

class RegistryHandlerTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString file_;
    std::shared_ptr<FileRegistryStore> store_;
    std::unique_ptr<RegistryHandler> handler_;

    // The value as stored under the name it was first written with.
    std::optional<RegistryValue> stored(const std::string& name)
    {
        for (const auto& v : store_->values(HKEY_CURRENT_USER_, kKey.toStdString()).value_or(std::vector<RegistryValue>{}))
            if (v.name == name)
                return v;
        return std::nullopt;
    }

private slots:
    void init()
    {
        static int round = 0;
        file_ = dir_.filePath(QStringLiteral("registry-%1.reg").arg(++round));
        store_ = std::make_shared<FileRegistryStore>(file_.toStdString());
        handler_ = std::make_unique<RegistryHandler>(store_);
        handler_->SetHive(HKEY_CURRENT_USER_);
        handler_->SetSubKey(kKey);
    }

    void eachTagWritesItsRegistryTypeAndReadsBack()
    {
        struct Row {
            const char* name; TV written; quint32 type; std::vector<uint8_t> data; TV read;
        };
        const Row rows[] = {
            {"Small", TV::fromInt16(1), REG_DWORD_, {1, 0, 0, 0}, TV::fromInt32(1)},
            {"Negative", TV::fromInt16(-2), REG_DWORD_, {0xFE, 0xFF, 0xFF, 0xFF}, TV::fromInt32(-2)},
            {"Wide", TV::fromInt32(0x800080), REG_DWORD_, {0x80, 0, 0x80, 0}, TV::fromInt32(0x800080)},
            {"ID", TV::fromString("1"), REG_SZ_, {'1', 0}, TV::fromString("1")},
            {"On", TV::fromBool(true), REG_BINARY_, {0xFF}, TV::fromBool(true)},
            {"Off", TV::fromBool(false), REG_BINARY_, {0x00}, TV::fromBool(false)},
        };
        for (const Row& row : rows)
            handler_->WriteRegValue(row.name, row.written);
        const TV fallback = TV::fromString("default");
        for (const Row& row : rows) {
            auto value = stored(row.name);
            QVERIFY2(value && value->type == row.type && value->data == row.data, row.name);
            QCOMPARE(handler_->GetRegValue(row.name, fallback), row.read);
        }
        QCOMPARE(handler_->GetRegValue("Missing", fallback), fallback);
    }

    // Untyped values write nothing; names match without case and keep their first spelling.
    void untypedValuesAndNameCase()
    {
        handler_->WriteRegValue("LineNum", TV::fromInt32(7));
        for (const TV& untyped : {TV::fromDouble(2.5), TV()})
            handler_->WriteRegValue("LineNum", untyped);
        handler_->WriteRegValue("Fresh", TV::fromDouble(1.0));
        QCOMPARE(handler_->GetRegValue("linenum", TV()), TV::fromInt32(7));
        QVERIFY(!handler_->ExistValue("Fresh"));
        handler_->WriteRegValue("LINENUM", TV::fromInt32(0));
        QCOMPARE(handler_->EnumValues(), (QList<QStringList>{{"LineNum", "00000000"}}));
        handler_->SetSubKey("SOFTWARE\\orland works");
        QVERIFY(handler_->ExistKey("tessary editor") && !handler_->ExistKey("tessary"));
        // Text converts only when all of it is a number or a truth value.
        QCOMPARE(TV::fromString("  -42 ").toInt32(), std::optional<qint32>(-42));
        for (const char* text : {"0x10", "99999999999", "", "4.5"})
            QVERIFY2(!TV::fromString(text).toInt32(), text);
        QVERIFY(TV::fromString("tRUE").toBool() == true && TV::fromString(" -1").toBool() == true);
        QVERIFY(!TV::fromString("yes").toBool() && TV::fromString("0").toBool() == false && TV::fromInt32(-5).toBool() == true);
    }

    // Values the editor did not write: foreign types read as empty (not the default) and survive a
    // rewrite byte for byte; long or NUL-holding text is cut; a short DWORD still reads.
    void storedValuesOfEveryShapeRead()
    {
        const QByteArray foreign = "\"KixPath\"=hex(2):25,00,50,00,00\n\"Recent\"=hex(7):61,00,62,00,00\n";
        writeFile(file_, "[HKEY_CURRENT_USER\\" + kKey.toLatin1() + "]\n" + foreign + "\"Long\"=\"" +
                             QByteArray(3000, 'a') + "\"\n\"Inner\"=hex(1):61,62,00,63,00\n\"Short\"=hex(4):07\n");
        const TV fallback = TV::fromString("default");
        QCOMPARE(handler_->GetRegValue("KixPath", fallback), TV());
        QCOMPARE(handler_->GetRegValue("recent", fallback), TV());
        QCOMPARE(handler_->GetRegValue("Long", fallback).toString(), QString(2047, u'a'));
        QCOMPARE(handler_->GetRegValue("Inner", fallback).toString(), QStringLiteral("ab"));
        QCOMPARE(handler_->GetRegValue("Short", fallback), TV::fromInt32(7));
        handler_->WriteRegValue("Other", TV::fromString("x"));
        QFile f(file_);
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll().contains(foreign));
        QCOMPARE(handler_->EnumValues().mid(0, 2), (QList<QStringList>{{"KixPath", "%"}, {"Recent", "6100620000"}}));
    }

    // Text crosses in the system's code page: UTF-8 here (Windows-1252 on Windows); bytes written
    // earlier in Windows-1252 still read right.
    void textCrossesInTheSystemCodePage()
    {
        const QString path = QStringLiteral("/home/li/\u4E2D\u6587/\u20ACuro \u00E9t\u00E9.kix");
        handler_->WriteRegValue(QStringLiteral("Caf\u00E9"), TV::fromString(path));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("CAF\u00C9"), TV()).toString(), path);
#ifdef Q_OS_WIN
        QVERIFY(stored("Caf\xE9"));
#else
        auto value = stored("Caf\xC3\xA9");
        QVERIFY(value);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(value->data.data()), int(value->data.size())),
                 path.toUtf8() + QByteArray(1, '\0'));
        // Windows-1252 bytes of an older file, and a long UTF-8 text cut at 2047 bytes.
        store_->setValue(HKEY_CURRENT_USER_, kKey.toStdString(), {"Old", REG_SZ_, {'C', ':', '\\', 0xC9, 0x80, 0x81, 0}});
        QCOMPARE(handler_->GetRegValue("old", TV()).toString(), QStringLiteral("C:\\\u00C9\u20AC\u0081"));
        const QString e1000 = QString(1000, QChar(0x00E9)) + QStringLiteral("xy");
        handler_->WriteRegValue("Long", TV::fromString(e1000 + QString(100, QChar(0x00E9))));
        QCOMPARE(handler_->GetRegValue("Long", TV()).toString(), e1000 + QString(22, QChar(0x00E9)));
#endif
        // Windows-1252 keeps every byte through a decode and encode, the five undefined ones included.
        std::string all;
        for (int b = 1; b < 256; ++b)
            all.push_back(static_cast<char>(b));
        QCOMPARE(AnsiCodec::encode1252(AnsiCodec::decode1252(all.data(), all.size())), all);
    }

    void writeCreatesWholePathAndMissingKeysReadEmpty()
    {
        handler_->SetSubKey("Software\\New\\Deep\\Path");
        QVERIFY(handler_->EnumKeys().isEmpty() && handler_->EnumValues().isEmpty() && !handler_->ExistValue("ID"));
        QCOMPARE(handler_->GetRegValue("ID", TV::fromInt32(9)), TV::fromInt32(9));
        handler_->WriteRegValue("ID", TV::fromString("1"));
        handler_->SetSubKey("Software\\New");
        QCOMPARE(handler_->EnumKeys(), QStringList{"Deep"});
    }

    void deleteKeyRemovesTreeAndLeavesParent()
    {
        const QString base = QStringLiteral("Software\\Tree");
        for (const char* key : {"\\Doomed\\A\\A1", "\\Doomed\\A\\A2\\Deep", "\\Doomed\\B", "\\Doomed", "\\Kept", "\\DoomedToo"}) {
            handler_->SetSubKey(base + QLatin1String(key));
            handler_->WriteRegValue("v", TV::fromInt32(1));
        }
        handler_->SetSubKey(base + "\\doomed");
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), base);
        QCOMPARE(handler_->EnumKeys(), (QStringList{"Kept", "DoomedToo"}));
        handler_->SetSubKey(base + "\\Missing");
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), base);
        // A top-level key: the parent path is empty; the root itself is never touched.
        handler_->SetSubKey("Software");
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
        machine.SetSubKey("Software\\Microsoft\\Windows NT\\CurrentVersion");
        QCOMPARE(machine.GetRegValue("csdversion", TV()).toString(), QStringLiteral("Service Pack 2"));
        QCOMPARE(machine.EnumValues().value(1), (QStringList{"Build", "280A0000"}));
        QVERIFY(handler_->EnumValues().isEmpty()); // nothing under HKEY_CURRENT_USER
    }
};

QTEST_GUILESS_MAIN(RegistryHandlerTest)
#include "test_registry_handler.moc"
