// The text-file registry: round trips, accepted syntax, damage, limits, leftovers and concurrent writers;
// and the preferences' gateway to it.

#include "CaseFile.h"
#include "TestFiles.h"
#include "platform/FileRegistryStore.h"
#include "platform/RegistryFileFormat.h"
#include "platform/RegistryNotices.h"
#include "preferences/AnsiCodec.h"
#include "preferences/RegistryHandler.h"

#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <thread>

using namespace platform;
using TV = TaggedValue;

namespace {

const char* const kWriterSwitch = "--registry-writer";
const QString kKey = QStringLiteral("Software\\Orland Works\\Tessary Editor\\Test");

std::vector<uint8_t> bytes(std::initializer_list<int> list) { return std::vector<uint8_t>(list.begin(), list.end()); }
std::vector<uint8_t> sz(const std::string& text) { return std::vector<uint8_t>(text.c_str(), text.c_str() + text.size() + 1); }

// The settings file's text with line feeds (lines end in CR LF on Windows, as the system's exports do).
QByteArray fileText(const QString& path)
{
#ifdef Q_OS_WIN
    return readFile(path).replace("\r\n", "\n");
#else
    return readFile(path);
#endif
}

// A case field as bytes, "{TEXT*N}" standing for TEXT N times.
QByteArray expanded(const QString& field) { return cases::bytes(cases::repeated(field)); }

// Child-process mode: write `count` values named prefix0.. to the file, each through a new write.
int runWriter(const char* file, const char* prefix, int count)
{
    FileRegistryStore store(file);
    for (int i = 0; i < count; ++i)
        if (!store.setValue(HKEY_CURRENT_USER_, "Software\\Race", {prefix + std::to_string(i), REG_SZ_, sz("x")}))
            return 1;
    return 0;
}

} // namespace

class RegistryStoreTest : public QObject {
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


    // A damaged file is copied aside once, and the user is told which file and where the copy is.
    void expectCopyAside(const QByteArray& content)
    {
        const QDir folder(QFileInfo(file_).path());
        const QStringList aside = folder.entryList({QStringLiteral("registry.reg.corrupt-*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(aside[0].contains(QRegularExpression(QStringLiteral("^registry\\.reg\\.corrupt-\\d{8}-\\d{6}$"))));
        QCOMPARE(readFile(folder.filePath(aside[0])), content);
        const auto told = registrynotices::take();
        QCOMPARE(told.size(), size_t(1));
        QVERIFY(QString::fromStdString(told[0]).contains(file_) && QString::fromStdString(told[0]).contains(folder.filePath(aside[0])));
    }

private slots:
    void init()
    {
        file_ = dir_.filePath(QStringLiteral("cfg/sub/registry.reg"));
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
        registrynotices::reset();
        qputenv("TESSARY_REGISTRY_FILE", file_.toLocal8Bit());
        store_ = std::make_shared<FileRegistryStore>(file_.toStdString());
        handler_ = std::make_unique<RegistryHandler>(store_);
        handler_->SetHive(HKEY_CURRENT_USER_);
        handler_->SetSubKey(kKey);
    }

    // Each value with the line it must have in the file.
    void everyTypeRoundTripsByteForByte()
    {
        std::vector<std::pair<RegistryValue, QByteArray>> written;
        for (const QStringList& row : cases::table("registry_file.txt", "types")) {
            const QByteArray data = expanded(row[2]);
            written.push_back({{cases::bytes(row[0]).toStdString(), row[1].toUInt(), {data.begin(), data.end()}}, expanded(row[3])});
        }
        const std::string key = "Software\\Orland Works\\Types";
        for (const auto& [value, line] : written)
            QVERIFY(FileRegistryStore(file_.toStdString()).setValue(HKEY_CURRENT_USER_, key, value));
        const auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, key);
        QVERIFY(values && values->size() == written.size());
        const QByteArray text = fileText(file_);
        QVERIFY(text.startsWith("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orland Works\\Types]\n"));
        for (size_t i = 0; i < written.size(); ++i) {
            const auto& [value, line] = written[i];
            QVERIFY2((*values)[i].name == value.name && (*values)[i].type == value.type && (*values)[i].data == value.data,
                     value.name.c_str());
            QVERIFY2(text.contains(line), line.constData());
        }
        for (const QByteArray& line : text.split('\n'))
            QVERIFY2(line.size() <= 80, line.constData());
    }

    // Both export formats: the older one with its hand-edited forms (a mark, CR LF, a tab, a lone
    // backslash, 100 deletion lines, the most a file may hold), the newer one in UTF-16.
    void readsRegeditExports()
    {
        writeFile(file_, readFile(TESSARY_TEST_DATA_DIR "/regedit4_export.reg"));
        FileRegistryStore store(file_.toStdString());
        auto machine = store.values(HKEY_LOCAL_MACHINE_, "SOFTWARE\\vendor");
        QVERIFY(machine && machine->size() == 3 && (*machine)[0].data == sz("C:\\Program Files\\kix"));
        QVERIFY((*machine)[1].type == REG_MULTI_SZ_ && (*machine)[1].data == bytes({'a', 0, 'b', 0, 0}) &&
                (*machine)[2].data == bytes({0xff, 0xff, 0xff, 0xff}));
        auto classes = store.values(HKEY_CLASSES_ROOT_, ".KIX");
        QVERIFY(classes && classes->size() == 1 && (*classes)[0].name.empty());
        QVERIFY(store.values(HKEY_USERS_, ".DEFAULT").value_or(std::vector<RegistryValue>{{}}).empty() &&
                store.keyExists(HKEY_CURRENT_USER_, "Software") && !store.keyExists(HKEY_CURRENT_USER_, "Software\\Old"));

        writeFile(file_, readFile(TESSARY_TEST_DATA_DIR "/regedit5_export.reg"));
        const auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, "Software\\MRU");
        QVERIFY(values && values->size() == 3 && registrynotices::take().empty());
        QVERIFY((*values)[0].data == sz(QStringLiteral("C:\\Skripte\\\u00DCbung \u4E2D\u0800\U0001D3FF.kix").toUtf8().toStdString()));
        // Half of a pair: the replacement character.
        QVERIFY((*values)[1].type == REG_EXPAND_SZ_ && (*values)[1].data == sz("%PATH%") && (*values)[2].data == sz("\xEF\xBF\xBDx"));
    }

    // Case, order and leaf-only deletion are the store fuzzer's model; here UTF-8 folding and refusals.
    void namesFoldAsLettersAndBadWritesAreRefused()
    {
        FileRegistryStore store(file_.toStdString());
        const std::string key = "Software\\Orland Works";
        // Windows-1252 names (not UTF-8) fold in that code page.
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, key, {"\xC9t\xE9\xF6\xFF", REG_SZ_, sz("1")}));
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, key, {"\xE9T\xC9\xD6\x9F", REG_SZ_, sz("2")}));
        // Cyrillic to its last letter, Latin-1 and both halves of Latin Extended-A (whose case pairs change
        // parity).
        const std::string upper = "\xD0\x9F\xD0\xAF\xD0\x81\xC3\xA9\xC5\x81\xC5\xA0";
        const std::string lower = "\xD0\xBF\xD1\x8F\xD1\x91\xC3\x89\xC5\x82\xC5\xA1";
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, "Software\\Other\\" + upper, {"x", REG_SZ_, sz("1")}));
        QVERIFY(store.keyExists(HKEY_CURRENT_USER_, "Software\\OTHER\\" + lower));
        // Values set together are all written when only the first of them changes.
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, key, {"b", REG_SZ_, sz("1")}));
        QVERIFY(store.setValues(HKEY_CURRENT_USER_, key, {{"a", REG_SZ_, sz("1")}, {"b", REG_SZ_, sz("1")}}));
        auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, key);
        QVERIFY(values && values->size() == 3 && (*values)[0].name == "\xC9t\xE9\xF6\xFF" && (*values)[0].data == sz("2"));

        // Not a root, nor a key with keys; no root chosen; a line break in a name; too deep.
        QVERIFY(!store.deleteKey(HKEY_CURRENT_USER_, "") && !store.deleteKey(HKEY_CURRENT_USER_, "Software") &&
                !store.setValue(0, key, {"x", REG_SZ_, sz("1")}) &&
                !store.setValue(HKEY_CURRENT_USER_, key, {"line\nbreak", REG_SZ_, sz("1")}) &&
                !store.createKey(HKEY_CURRENT_USER_, QByteArray("\\k").repeated(600).toStdString()));
        QVERIFY(parseRegistryText(readFile(file_).toStdString()).ok);
    }

    // One bad line costs its own value only.
    void badLinesCostOnlyThemselves_data()
    {
        QTest::addColumn<QByteArray>("bad");
        for (const QStringList& row : cases::table("registry_file.txt", "bad lines"))
            QTest::newRow(qPrintable(row[0])) << expanded(row[1]);
    }

    void badLinesCostOnlyThemselves()
    {
        QFETCH(QByteArray, bad);
        const bool truncated = QByteArray(QTest::currentDataTag()) == "truncated";
        const QByteArray content = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"Before\"=\"1\"\n" + bad +
                                   (truncated ? "" : "\"After\"=dword:00000002\n");
        writeFile(file_, content);
        const auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, "A");
        QVERIFY(values && values->size() == (truncated ? 1u : 2u) && values->front().name == "Before" &&
                (truncated || values->back().name == "After"));
        expectCopyAside(content);
        // The file itself is repaired, so the next start neither loses more nor warns again.
        QVERIFY(parseRegistryText(readFile(file_).toStdString()).ok && FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, "A"));
        QVERIFY(registrynotices::take().empty());
    }

    void unusableFileStartsEmptyAndIsKept()
    {
        for (const QByteArray& content : {QByteArray("REGEDIT5\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n"),
                                          "REGEDIT4\n" + QByteArray(";" + QByteArray(99, 'x') + "\n").repeated(50000)}) {
            init();
            writeFile(file_, content);
            FileRegistryStore store(file_.toStdString());
            QVERIFY(!store.values(HKEY_CURRENT_USER_, "A"));
            expectCopyAside(content);
            QVERIFY(store.setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("new")}));
        }
    }

    // A crafted file (512 levels of 7,800-character names) reads as nothing and writes stay small;
    // names at the limits still work.
    void registryLimitsHold()
    {
        QByteArray crafted = "REGEDIT4\n\n[HKEY_CURRENT_USER";
        for (int level = 0; level < 512 && crafted.size() < 4000000; ++level)
            crafted += "\\" + QByteArray(7800, char('a' + level % 26));
        writeFile(file_, crafted + "]\n\"x\"=\"1\"\n");
        FileRegistryStore store(file_.toStdString());
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("1")}) && readFile(file_).size() < 100);
        QCOMPARE(registrynotices::take().size(), size_t(1));

        const std::string longest(255, 'k');
        const std::string deepest = "a" + QByteArray("\\kkk").repeated(511).toStdString();
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, "A\\" + longest, {std::string(16383, 'v'), REG_SZ_, sz("1")}) &&
                !store.setValue(HKEY_CURRENT_USER_, "A\\" + longest + "k", {"x", REG_SZ_, sz("1")}) &&
                !store.setValue(HKEY_CURRENT_USER_, "A", {std::string(16384, 'v'), REG_SZ_, sz("1")}));
        QVERIFY(store.createKey(HKEY_CURRENT_USER_, deepest) && !store.createKey(HKEY_CURRENT_USER_, deepest + "\\one-more"));
        // Non-ASCII names count characters, not bytes.
        QVERIFY(store.createKey(HKEY_CURRENT_USER_, QString(255, QChar(0x4E2D)).toUtf8().toStdString()));
        const auto reread = parseRegistryText(readFile(file_).toStdString());
        QVERIFY(reread.ok && reread.tree.find(HKEY_CURRENT_USER_, deepest));
    }

    // Temporary files of writers killed mid-write go at the next write; a running writer's stays.
    void leftoverTemporaryFilesAreRemoved()
    {
        QProcess dead, alive;
        for (QProcess* p : {&dead, &alive})
            p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--wait")});
        QVERIFY(dead.waitForStarted() && alive.waitForStarted());
        const QString deadTemp = file_ + QStringLiteral(".tmp-%1-19").arg(dead.processId());
        const QString aliveTemp = file_ + QStringLiteral(".tmp-%1-3").arg(alive.processId());
        // Names no writer of ours gives: no counter, a process number of ten digits.
        const QStringList otherFiles = {file_ + QStringLiteral(".tmp-notes"),
                                        file_ + QStringLiteral(".tmp-%1-").arg(dead.processId()),
                                        file_ + QStringLiteral(".tmp-1000000000-0")};
        dead.kill();
        QVERIFY(dead.waitForFinished());
        for (const QString& path : QStringList{deadTemp, aliveTemp} + otherFiles)
            writeFile(path, "REGEDIT4\n[HKCU\\half");
        QVERIFY(FileRegistryStore(file_.toStdString()).setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("1")}));
        QVERIFY(!QFile::exists(deadTemp) && QFile::exists(aliveTemp));
        for (const QString& path : otherFiles)
            QVERIFY2(QFile::exists(path), qPrintable(path));
        alive.kill();
        alive.waitForFinished();
    }

    // A write goes through a symbolic link, and never over a file that cannot be read.
    void neverWritesTheWrongFile()
    {
        const QString target = dir_.filePath(QStringLiteral("elsewhere.reg"));
        QDir().mkpath(QFileInfo(file_).path());
#ifdef Q_OS_UNIX // Windows makes shortcut files, and symbolic links there need a privilege
        QVERIFY(QFile::link(target, file_));
        QVERIFY(FileRegistryStore(file_.toStdString()).setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("1")}));
        QVERIFY(QFileInfo(file_).isSymLink() && readFile(target).contains("\"x\"=\"1\""));
#endif

        init();
        QDir().mkpath(file_ + QStringLiteral("/inside"));
        QVERIFY(!FileRegistryStore(file_.toStdString()).setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("1")}) &&
                QFileInfo(file_ + QStringLiteral("/inside")).isDir());
        const auto told = registrynotices::take();
        QVERIFY(told.size() == 1 && QString::fromStdString(told[0]).contains(QStringLiteral("cannot be read")));
    }

    void processesWritingAtOnceKeepEveryValue()
    {
        const int count = 200;
        QProcess writers[2];
        for (int i : {0, 1})
            writers[i].start(QCoreApplication::applicationFilePath(), {kWriterSwitch, file_, i ? "right" : "left", QString::number(count)});
        for (QProcess& p : writers)
            QVERIFY(p.waitForFinished(120000) && p.exitCode() == 0);
        auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, "Software\\Race");
        QCOMPARE(values.value_or(std::vector<RegistryValue>{}).size(), size_t(2 * count));
        QVERIFY(QDir(QFileInfo(file_).path()).entryList({QStringLiteral("*.tmp-*")}).isEmpty());
    }

    void defaultPathFollowsEnvironment()
    {
        QCOMPARE(QString::fromStdString(defaultRegistryFilePath()), file_);
#ifdef Q_OS_WIN
        QSKIP("Windows keeps the settings in the registry: a file is used only when named");
#endif
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qunsetenv("TESSARY_REGISTRY_FILE");
        QStringList paths;
        for (const QByteArray& xdg : {dir_.path().toLocal8Bit(), QByteArray("relative/ignored")})
            qputenv("XDG_CONFIG_HOME", xdg), paths << QString::fromStdString(defaultRegistryFilePath());
        saved.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", saved);
        QCOMPARE(paths, (QStringList{dir_.filePath("tessary-editor/registry.reg"),
                                     QDir::homePath() + "/.config/tessary-editor/registry.reg"}));
    }

    // ---- RegistryHandler over the store: the type mapping both ways, names without case, foreign
    // registry types, code pages, key walks and DeleteKey ----

    void eachTagWritesItsRegistryTypeAndReadsBack()
    {
        const auto tagged = [](const QString& field) {
            const QString kind = field.section(' ', 0, 0), value = field.section(' ', 1);
            return kind == "int16" ? TV::fromInt16(qint16(value.toInt())) : kind == "int32" ? TV::fromInt32(value.toInt())
                   : kind == "bool" ? TV::fromBool(value == "1") : TV::fromString(value);
        };
        const QList<QStringList> rows = cases::table("registry_file.txt", "handler tags");
        for (const QStringList& row : rows)
            handler_->WriteRegValue(row[0], tagged(row[1]));
        const TV fallback = TV::fromString("default");
        for (const QStringList& row : rows) {
            const QByteArray data = cases::bytes(row[3]);
            auto value = stored(row[0].toStdString());
            QVERIFY2(value && value->type == row[2].toUInt() && value->data == std::vector<uint8_t>(data.begin(), data.end()), qPrintable(row[0]));
            QCOMPARE(handler_->GetRegValue(row[0], fallback), tagged(row[4]));
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
        QVERIFY(handler_->GetRegValue("linenum", TV()) == TV::fromInt32(7) && !handler_->ExistValue("Fresh"));
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
    // rewrite byte for byte; long or NUL-holding text is cut; a short DWORD still reads; other roots.
    void storedValuesOfEveryShapeRead()
    {
        const QByteArray foreign = "\"KixPath\"=hex(2):25,00,50,00,00\n\"Recent\"=hex(7):61,00,62,00,00\n";
        writeFile(file_, readFile(TESSARY_TEST_DATA_DIR "/handler_values.reg")); // "Long" holds 3000 letters
        const TV fallback = TV::fromString("default");
        QVERIFY(handler_->GetRegValue("KixPath", fallback) == TV() && handler_->GetRegValue("recent", fallback) == TV());
        QCOMPARE(handler_->GetRegValue("Long", fallback).toString() + handler_->GetRegValue("Inner", fallback).toString(),
                 QString(2047, u'a') + "ab");
        QCOMPARE(handler_->GetRegValue("Short", fallback), TV::fromInt32(7));
        handler_->WriteRegValue("Other", TV::fromString("x"));
        QVERIFY(fileText(file_).contains(foreign));
        QCOMPARE(handler_->EnumValues().mid(0, 3),
                 (QList<QStringList>{{"KixPath", "%"}, {"Recent", "6100620000"}, {"Build", "280A0000"}}));
        // Another root holds values of its own.
        QCOMPARE(handler_->GetRegValue("Machine", fallback), fallback);
        handler_->SetHive(HKEY_LOCAL_MACHINE_);
        QCOMPARE(handler_->GetRegValue("machine", fallback), TV::fromString("m"));
    }

    // Text crosses in the system's code page: UTF-8 here; on Windows the ANSI code page, Windows-1252
    // or (in a second run) Windows-1251, where a character it lacks becomes "?", never a look-alike
    // that could make a path another one. Bytes written earlier in Windows-1252 still read right.
    void textCrossesInTheSystemCodePage()
    {
        const QString path = QStringLiteral("/home/li/\u4E2D\u6587/\u20ACuro \u00E9t\u00E9.kix");
#ifdef Q_OS_WIN
        const bool cyrillic = GetACP() == 1251;
        QVERIFY(cyrillic || GetACP() == 1252);
        const QList<std::tuple<QString, QByteArray, QByteArray>> rows = {
            {path, "/home/li/?\?/\x80uro \xE9t\xE9.kix", "/home/li/?\?/\x88uro ?t?.kix"},
            {QStringLiteral("\u0416\u0443\u043A C:\uFF3Cx \u0100"), "??? C:?x ?", "\xC6\xF3\xEA C:?x ?"}};
        for (const auto& [text, western, russian] : rows) {
            const QByteArray bytes = cyrillic ? russian : western;
            QCOMPARE(QByteArray::fromStdString(AnsiCodec::encode(text)), bytes);
            QCOMPARE(AnsiCodec::encode(AnsiCodec::decode(bytes.toStdString())), bytes.toStdString());
        }
        // A name in the code page is found whatever its letter case.
        const QString name = cyrillic ? QStringLiteral("\u0416\u0443\u043A") : QStringLiteral("Caf\u00E9");
        handler_->WriteRegValue(name, TV::fromString(path));
        QCOMPARE(handler_->GetRegValue(name.toUpper(), TV()).toString(), AnsiCodec::decode(AnsiCodec::encode(path)));
        QVERIFY(stored(AnsiCodec::encode(name)));
#else
        handler_->WriteRegValue(QStringLiteral("Caf\u00E9"), TV::fromString(path));
        QCOMPARE(handler_->GetRegValue(QStringLiteral("CAF\u00C9"), TV()).toString(), path);
        QVERIFY(stored("Caf\xC3\xA9").value_or(RegistryValue{}).data == sz(path.toUtf8().toStdString()));
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

    void deleteKeyRemovesTreeAndLeavesParent()
    {
        const QString base = QStringLiteral("Software\\Tree");
        handler_->SetSubKey("Elsewhere");
        handler_->WriteRegValue("v", TV::fromInt32(1));
        for (const char* key : {"\\Doomed\\A\\A1", "\\Doomed\\A\\A2\\Deep", "\\Doomed\\B", "\\Doomed", "\\Kept", "\\DoomedToo"}) {
            handler_->SetSubKey(base + QLatin1String(key));
            handler_->WriteRegValue("v", TV::fromInt32(1));
        }
        handler_->SetSubKey(base + "\\doomed");
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey() + ": " + handler_->EnumKeys().join(' '), base + ": Kept DoomedToo");
        // A missing key reads as empty, and deleting it goes up all the same.
        handler_->SetSubKey(base + "\\Missing");
        QVERIFY(handler_->EnumKeys().isEmpty() && handler_->EnumValues().isEmpty() && !handler_->ExistValue("v") &&
                handler_->GetRegValue("v", TV::fromInt32(9)) == TV::fromInt32(9));
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), base);
        // A top-level key: the parent path is empty; the root itself is never touched.
        handler_->SetSubKey("Software");
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), QString());
        handler_->DeleteKey();
        QCOMPARE(handler_->SubKey(), QString());
        FileRegistryStore reread(file_.toStdString());
        QVERIFY(!reread.keyExists(HKEY_CURRENT_USER_, "Software") && reread.keyExists(HKEY_CURRENT_USER_, "Elsewhere"));
    }

};

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == kWriterSwitch)
        return runWriter(argv[2], argv[3], std::atoi(argv[4]));
    if (argc == 2 && std::string(argv[1]) == "--wait") { // a process that runs until killed
        std::this_thread::sleep_for(std::chrono::seconds(60));
        return 0;
    }
    QCoreApplication app(argc, argv);
    RegistryStoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_registry_store.moc"
