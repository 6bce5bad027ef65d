// The text-file registry: exact round trips of every type, the regedit syntax it accepts, damaged
// files set aside, random input, and several processes writing one file at once.

#include "platform/FileRegistryStore.h"
#include "platform/RegistryFileFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

using namespace platform;

namespace {

const char* const kWriterSwitch = "--registry-writer";

std::vector<uint8_t> bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

std::vector<uint8_t> sz(const std::string& text)
{
    std::vector<uint8_t> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// Sends what the code under test prints on stderr to a file for the object's lifetime.
class StderrCapture {
public:
    explicit StderrCapture(const QString& file)
        : file_(file)
    {
        std::fflush(stderr);
        saved_ = ::dup(2);
        FILE* target = std::fopen(file.toLocal8Bit().constData(), "w");
        ::dup2(::fileno(target), 2);
        std::fclose(target);
    }
    ~StderrCapture() { restore(); }
    QString text()
    {
        restore();
        return QString::fromLocal8Bit(readAll(file_));
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    QString file_;
    int saved_ = -1;
};

// Child-process mode: write `count` values named prefix0.. to the file, each through a new write.
int runWriter(const char* file, const char* prefix, int count)
{
    FileRegistryStore store(file);
    for (int i = 0; i < count; ++i) {
        const std::string name = std::string(prefix) + std::to_string(i);
        if (!store.setValue(HKEY_CURRENT_USER_, "Software\\Race", {name, REG_SZ_, sz(std::to_string(i))}))
            return 1;
    }
    return 0;
}

} // namespace

class RegistryStoreTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString file_;

private slots:
    void init()
    {
        file_ = dir_.filePath(QStringLiteral("cfg/sub/registry.reg"));
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
        qputenv("TESSARY_REGISTRY_FILE", file_.toLocal8Bit());
    }

    void everyTypeRoundTripsByteForByte()
    {
        const std::vector<RegistryValue> written{
            {"Text", REG_SZ_, sz("C:\\Kix \"quoted\" \x80\xE9")},
            {"Count", REG_DWORD_, bytes({0x1f, 0, 0, 0})},
            {"Flag", REG_BINARY_, bytes({0xff})},
            {"Expand", REG_EXPAND_SZ_, sz("%PATH%")},
            {"Multi", REG_MULTI_SZ_, bytes({'a', 0, 'b', 0, 0})},
            {"Quad", REG_QWORD_, bytes({1, 2, 3, 4, 5, 6, 7, 8})},
            {"None", REG_NONE_, {}},
            {"NoTerminator", REG_SZ_, bytes({'a', 'b'})},
            {"InnerNul", REG_SZ_, bytes({'a', 0, 'b', 0})},
            {"NewLine", REG_SZ_, sz("one\r\ntwo")},
            {"EmptySz", REG_SZ_, {}},
            {"ShortDword", REG_DWORD_, bytes({1, 2})},
            {"Long", REG_BINARY_, std::vector<uint8_t>(300, 0xab)},
            {"", REG_SZ_, sz("default value")},
            {"Odd \"name\" \\ =", REG_SZ_, sz("x")},
        };
        {
            FileRegistryStore store(file_.toStdString());
            for (const auto& v : written)
                QVERIFY(store.setValue(HKEY_CURRENT_USER_, "Software\\Orland Works\\Types", v));
        }
        FileRegistryStore reread(file_.toStdString());
        const auto values = reread.values(HKEY_CURRENT_USER_, "Software\\Orland Works\\Types");
        QVERIFY(values);
        QCOMPARE(values->size(), written.size());
        for (size_t i = 0; i < written.size(); ++i) {
            QCOMPARE(QByteArray::fromStdString((*values)[i].name), QByteArray::fromStdString(written[i].name));
            QCOMPARE((*values)[i].type, written[i].type);
            QVERIFY2((*values)[i].data == written[i].data, written[i].name.c_str());
        }
        const QByteArray text = readAll(file_);
        QVERIFY(text.startsWith("REGEDIT4\n\n"));
        QVERIFY(text.contains("[HKEY_CURRENT_USER\\Software\\Orland Works\\Types]\n"));
        QVERIFY(text.contains("\"Text\"=\"C:\\\\Kix \\\"quoted\\\" \x80\xE9\"\n"));
        QVERIFY(text.contains("\"Count\"=dword:0000001f\n"));
        QVERIFY(text.contains("\"Flag\"=hex:ff\n"));
        QVERIFY(text.contains("\"Expand\"=hex(2):25,50,41,54,48,25,00\n"));
        QVERIFY(text.contains("\"Quad\"=hex(b):01,02,03,04,05,06,07,08\n"));
        QVERIFY(text.contains("\"NoTerminator\"=hex(1):61,62\n"));
        QVERIFY(text.contains("@=\"default value\"\n"));
        for (const QByteArray& line : text.split('\n'))
            QVERIFY2(line.size() <= 80, line.constData());
    }

    void readsRegeditVariants()
    {
        writeAll(file_, "\xEF\xBB\xBFREGEDIT4\r\n\r\n; a comment\r\n"
                        "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\r\n"
                        "\"Path\"=\"C:\\Program Files\\kix\"\r\n"
                        "\"List\"=hex(7):61,00,\\\r\n"
                        "  62,00,00\r\n"
                        "\"Num\"=DWORD:FFFFFFFF\r\n"
                        "[HKCR\\.kix]\r\n@=\"KixFile\"\r\n"
                        "[HKEY_USERS\\.DEFAULT]\r\n\"Gone\"=\"1\"\r\n\"Gone\"=-\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Old]\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n");
        FileRegistryStore store(file_.toStdString());
        auto machine = store.values(HKEY_LOCAL_MACHINE_, "SOFTWARE\\vendor");
        QVERIFY(machine);
        QCOMPARE(machine->size(), size_t(3));
        // A lone backslash in a hand-written string stays a backslash.
        QVERIFY((*machine)[0].data == sz("C:\\Program Files\\kix"));
        QVERIFY((*machine)[1].type == REG_MULTI_SZ_ && (*machine)[1].data == bytes({'a', 0, 'b', 0, 0}));
        QVERIFY((*machine)[2].data == bytes({0xff, 0xff, 0xff, 0xff}));
        auto classes = store.values(HKEY_CLASSES_ROOT_, ".KIX");
        QVERIFY(classes && classes->size() == 1 && (*classes)[0].name.empty());
        auto users = store.values(HKEY_USERS_, ".DEFAULT");
        QVERIFY(users && users->empty());
        QVERIFY(store.keyExists(HKEY_CURRENT_USER_, "Software"));
        QVERIFY(!store.keyExists(HKEY_CURRENT_USER_, "Software\\Old"));
    }

    void namesIgnoreCaseAndKeepOrder()
    {
        FileRegistryStore store(file_.toStdString());
        const std::string key = "Software\\Orland Works";
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, key, {"LineNum", REG_DWORD_, bytes({1, 0, 0, 0})}));
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, key, {"Zeta", REG_SZ_, sz("z")}));
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, "SOFTWARE\\orland works", {"LINENUM", REG_SZ_, sz("x")}));
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, key, {"\xC9t\xE9", REG_SZ_, sz("1")}));
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, key, {"\xE9T\xC9", REG_SZ_, sz("2")}));
        QVERIFY(store.createKey(HKEY_CURRENT_USER_, key + "\\Beta"));
        QVERIFY(store.createKey(HKEY_CURRENT_USER_, key + "\\alpha"));
        QVERIFY(store.createKey(HKEY_CURRENT_USER_, key + "\\BETA"));

        FileRegistryStore reread(file_.toStdString());
        auto values = reread.values(HKEY_CURRENT_USER_, key);
        QVERIFY(values);
        QCOMPARE(values->size(), size_t(3));
        QCOMPARE((*values)[0].name, std::string("LineNum"));
        QVERIFY((*values)[0].type == REG_SZ_ && (*values)[0].data == sz("x"));
        QCOMPARE((*values)[1].name, std::string("Zeta"));
        QCOMPARE((*values)[2].name, std::string("\xC9t\xE9"));
        QVERIFY((*values)[2].data == sz("2"));
        auto keys = reread.subKeys(HKEY_CURRENT_USER_, key);
        QVERIFY(keys);
        QCOMPARE(*keys, (std::vector<std::string>{"Beta", "alpha"}));

        QVERIFY(!reread.deleteKey(HKEY_CURRENT_USER_, "Software"));        // has sub-keys
        QVERIFY(!reread.deleteValue(HKEY_CURRENT_USER_, key, "Missing"));
        QVERIFY(!reread.deleteKey(HKEY_CURRENT_USER_, ""));                // a root stays
        QVERIFY(reread.deleteKey(HKEY_CURRENT_USER_, key + "\\ALPHA"));
        QVERIFY(!reread.setValue(0, key, {"x", REG_SZ_, sz("1")}));           // no root chosen
        QVERIFY(!reread.values(HKEY_CURRENT_USER_, "Software\\Nowhere"));
        QVERIFY(!reread.setValue(HKEY_CURRENT_USER_, key, {"line\nbreak", REG_SZ_, sz("1")}));
        std::string deep;
        for (int i = 0; i < 600; ++i)
            deep += "\\k";
        QVERIFY(!reread.createKey(HKEY_CURRENT_USER_, deep));
        QVERIFY(parseRegistryText(readAll(file_).toStdString()).ok);
    }

    void seesWritesOfOtherStores()
    {
        FileRegistryStore first(file_.toStdString());
        FileRegistryStore second(file_.toStdString());
        QVERIFY(first.setValue(HKEY_CURRENT_USER_, "K", {"A", REG_SZ_, sz("1")}));
        QCOMPARE(second.values(HKEY_CURRENT_USER_, "K")->size(), size_t(1));
        QVERIFY(second.setValue(HKEY_CURRENT_USER_, "K", {"B", REG_SZ_, sz("2")}));
        QVERIFY(first.setValue(HKEY_CURRENT_USER_, "K", {"A", REG_SZ_, sz("3")}));
        auto values = second.values(HKEY_CURRENT_USER_, "K");
        QCOMPARE(values->size(), size_t(2));
        QVERIFY((*values)[0].data == sz("3") && (*values)[1].data == sz("2"));
    }

    void damagedFileIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("header") << QByteArray("REGEDIT5\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n");
        QTest::newRow("garbage line") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\nhello\n");
        static const char binary[] = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"\x01\x00\x02\"\n";
        QTest::newRow("binary") << QByteArray(binary, sizeof binary - 1);
        QTest::newRow("open string") << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"abc\n");
        QTest::newRow("bad hex") << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:1g,00\n");
        QTest::newRow("dangling continuation") << QByteArray("REGEDIT4\n[HKCU\\A]\n\"x\"=hex:01,\\\n");
        QTest::newRow("unknown root") << QByteArray("REGEDIT4\n[HKEY_NOWHERE\\A]\n");
        QTest::newRow("value before key") << QByteArray("REGEDIT4\n\"x\"=\"1\"\n");
        QTest::newRow("too deep") << "REGEDIT4\n[HKCU" + QByteArray("\\a").repeated(600) + "]\n";
        QTest::newRow("too large") << "REGEDIT4\n" + QByteArray(";" + QByteArray(99, 'x') + "\n").repeated(50000);
    }

    void damagedFileIsSetAside()
    {
        QFETCH(QByteArray, content);
        writeAll(file_, content);
        StderrCapture capture(dir_.filePath(QStringLiteral("stderr.txt")));
        FileRegistryStore store(file_.toStdString());
        auto values = store.values(HKEY_CURRENT_USER_, "A");
        const QString said = capture.text();
        QVERIFY(!values);
        const QStringList aside = QDir(QFileInfo(file_).path()).entryList({QStringLiteral("registry.reg.corrupt-*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^registry\\.reg\\.corrupt-\\d{8}-\\d{6}$")).match(aside[0]).hasMatch());
        QCOMPARE(readAll(QFileInfo(file_).path() + u'/' + aside[0]), content);
        QCOMPARE(said.count(u'\n'), 1);
        QVERIFY(said.contains(aside[0]));

        // Starts empty and saves again; a second damaged file does not replace the first one set aside.
        QVERIFY(store.setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("new")}));
        QVERIFY(FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, "A"));
        writeAll(file_, "junk");
        StderrCapture again(dir_.filePath(QStringLiteral("stderr2.txt")));
        QVERIFY(!FileRegistryStore(file_.toStdString()).keyExists(HKEY_CURRENT_USER_, "A"));
        QCOMPARE(QDir(QFileInfo(file_).path()).entryList({QStringLiteral("registry.reg.corrupt-*")}).size(), 2);
    }

    void unreadableFileIsNeverWrittenOver()
    {
        QDir().mkpath(file_ + QStringLiteral("/inside"));
        StderrCapture capture(dir_.filePath(QStringLiteral("stderr.txt")));
        FileRegistryStore store(file_.toStdString());
        QVERIFY(!store.setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("1")}));
        QVERIFY(QFileInfo(file_ + QStringLiteral("/inside")).isDir());
        QVERIFY(capture.text().contains(QStringLiteral("cannot read")));
    }

    void writesThroughSymbolicLink()
    {
        const QString target = dir_.filePath(QStringLiteral("elsewhere.reg"));
        QDir().mkpath(QFileInfo(file_).path());
        QVERIFY(QFile::link(target, file_));
        QVERIFY(FileRegistryStore(file_.toStdString()).setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("1")}));
        QVERIFY(QFileInfo(file_).isSymLink());
        QVERIFY(readAll(target).contains("\"x\"=\"1\""));
    }

    void randomBytesNeverCrash()
    {
        QRandomGenerator random(20240611);
        const QByteArray validStart = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=";
        StderrCapture quiet(dir_.filePath(QStringLiteral("stderr.txt")));
        for (int round = 0; round < 300; ++round) {
            QByteArray junk(static_cast<int>(random.bounded(400)), Qt::Uninitialized);
            for (char& c : junk)
                c = static_cast<char>(round % 3 == 0 ? random.bounded(256) : " \"\\=,:[]@-hexdword()0f\n"[random.bounded(23)]);
            if (round % 2)
                junk.prepend(validStart);
            writeAll(file_, junk);
            FileRegistryStore store(file_.toStdString());
            store.values(HKEY_CURRENT_USER_, "A");
            QVERIFY(store.setValue(HKEY_CURRENT_USER_, "A", {"after", REG_SZ_, sz("ok")}));
            auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, "A");
            QVERIFY(values && !values->empty() && values->back().data == sz("ok"));
            // Whatever parsed survives the rewrite unchanged.
            const QByteArray rewritten = readAll(file_);
            QVERIFY(parseRegistryText(rewritten.toStdString()).ok);
            QCOMPARE(formatRegistryText(parseRegistryText(rewritten.toStdString()).tree), rewritten.toStdString());
        }
    }

    void processesWritingAtOnceKeepEveryValue()
    {
        const int count = 200;
        QList<QProcess*> writers;
        for (const char* prefix : {"left", "right"}) {
            auto* p = new QProcess(this);
            p->start(QCoreApplication::applicationFilePath(),
                     {QLatin1String(kWriterSwitch), file_, QLatin1String(prefix), QString::number(count)});
            writers.append(p);
        }
        for (QProcess* p : writers) {
            QVERIFY(p->waitForFinished(120000));
            QCOMPARE(p->exitCode(), 0);
        }
        auto values = FileRegistryStore(file_.toStdString()).values(HKEY_CURRENT_USER_, "Software\\Race");
        QVERIFY(values);
        QCOMPARE(values->size(), size_t(2 * count));
        QStringList leftovers = QDir(QFileInfo(file_).path()).entryList({QStringLiteral("*.tmp-*")});
        QVERIFY(leftovers.isEmpty());
    }

    void defaultPathFollowsEnvironment()
    {
        QCOMPARE(QString::fromStdString(defaultRegistryFilePath()), file_);
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qunsetenv("TESSARY_REGISTRY_FILE");
        qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
        QCOMPARE(QString::fromStdString(defaultRegistryFilePath()), dir_.filePath(QStringLiteral("tessary-editor/registry.reg")));
        qputenv("XDG_CONFIG_HOME", "relative/ignored");
        QCOMPARE(QString::fromStdString(defaultRegistryFilePath()),
                 QDir::homePath() + QStringLiteral("/.config/tessary-editor/registry.reg"));
        if (saved.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", saved);
        qputenv("TESSARY_REGISTRY_FILE", file_.toLocal8Bit());
        auto store = defaultRegistryStore();
        QVERIFY(store->setValue(HKEY_CURRENT_USER_, "A", {"x", REG_SZ_, sz("1")}));
        QVERIFY(QFile::exists(file_));
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == kWriterSwitch)
        return runWriter(argv[2], argv[3], std::atoi(argv[4]));
    QCoreApplication app(argc, argv);
    RegistryStoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_registry_store.moc"
