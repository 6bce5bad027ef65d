#include "document/RecoveryJournal.h"
#include "platform/FilePaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThreadPool>

#include <atomic>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray Magic = QByteArrayLiteral("TESSARY-RECOVERY 1\n");

// One writer thread for every journal: writes and removals reach the disk in the order asked.
QThreadPool& writer()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        p->setExpiryTimeout(-1);
        return p;
    }();
    return *pool;
}

qint64 ownPid() { return QCoreApplication::applicationPid(); }

QString lockFileOf(qint64 pid) { return RecoveryJournal::directory() + QStringLiteral("/%1.lock").arg(pid); }

std::atomic<int> serial{0};

} // namespace

QByteArray RecoveryRecord::header() const
{
    QByteArray h = Magic;
    h += "pid=" + QByteArray::number(pid) + '\n';
    h += "path=" + path.toUtf8().toPercentEncoding() + '\n';
    h += "title=" + title.toUtf8().toPercentEncoding() + '\n';
    h += "encoding=" + QByteArray::number(int(encoding)) + '\n';
    h += "linebreak=" + QByteArray::number(int(lineBreak)) + '\n';
    h += "changed=" + changed.toUTC().toString(Qt::ISODateWithMs).toLatin1() + '\n';
    h += "length=" + QByteArray::number(text.size()) + "\n\n";
    return h;
}

namespace {

// The fields before the text; textStart and length tell where the text lies and how long it must be.
std::optional<RecoveryRecord> parseHeader(const QByteArray& bytes, qsizetype* textStart, qint64* length)
{
    if (!bytes.startsWith(Magic))
        return std::nullopt;
    const qsizetype end = bytes.indexOf("\n\n", Magic.size() - 1);
    if (end < 0)
        return std::nullopt;
    RecoveryRecord r;
    *length = -1;
    bool okPid = false, okEnc = false, okBreak = false;
    const QList<QByteArray> lines = bytes.mid(Magic.size(), end - Magic.size()).split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            return std::nullopt;
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        if (key == "pid")
            r.pid = value.toLongLong(&okPid);
        else if (key == "path")
            r.path = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
        else if (key == "title")
            r.title = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
        else if (key == "encoding") {
            const int e = value.toInt(&okEnc);
            okEnc = okEnc && e >= int(ScriptFile::Encoding::Ansi) && e <= int(ScriptFile::Encoding::Utf16BE);
            r.encoding = ScriptFile::Encoding(e);
        } else if (key == "linebreak") {
            const int b = value.toInt(&okBreak);
            okBreak = okBreak && b >= int(ScriptFile::LineBreak::CrLf) && b <= int(ScriptFile::LineBreak::Cr);
            r.lineBreak = ScriptFile::LineBreak(b);
        } else if (key == "changed")
            r.changed = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
        else if (key == "length")
            *length = value.toLongLong();
    }
    if (!okPid || r.pid <= 0 || !okEnc || !okBreak || !r.changed.isValid() || r.title.isEmpty() || *length < 0)
        return std::nullopt;
    *textStart = end + 2;
    return r;
}

} // namespace

std::optional<RecoveryRecord> RecoveryRecord::parse(const QByteArray& bytes)
{
    qsizetype textStart = 0;
    qint64 length = 0;
    std::optional<RecoveryRecord> r = parseHeader(bytes, &textStart, &length);
    // A torn or truncated file is not offered as if it were the whole text.
    if (!r || length != bytes.size() - textStart)
        return std::nullopt;
    r->text = bytes.mid(textStart);
    return r;
}

std::optional<RecoveryRecord> RecoveryRecord::readHeader(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Paths are percent-encoded: even the longest fits well within this.
    const QByteArray head = in.read(64 * 1024);
    qsizetype textStart = 0;
    qint64 length = 0;
    std::optional<RecoveryRecord> r = parseHeader(head, &textStart, &length);
    if (!r || length != in.size() - textStart)
        return std::nullopt;
    return r;
}

RecoveryJournal::RecoveryJournal(std::function<Snapshot()> source, QObject* parent)
    : QObject(parent), source_(std::move(source))
{
    timer_.setSingleShot(true);
    timer_.setInterval(DelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryJournal::write);
    filePath_ = directory() + QStringLiteral("/%1-%2.recovery").arg(ownPid()).arg(++serial);
}

RecoveryJournal::~RecoveryJournal() { discard(); }

void RecoveryJournal::changed()
{
    pending_ = true;
    lastChange_ = QDateTime::currentDateTimeUtc();
    timer_.start();
}

void RecoveryJournal::flushNow()
{
    if (pending_)
        write();
}

void RecoveryJournal::discard()
{
    timer_.stop();
    pending_ = false;
    if (!written_)
        return;
    written_ = false;
    const QString path = filePath_;
    writer().start([path] { QFile::remove(path); });
}

void RecoveryJournal::write()
{
    timer_.stop();
    pending_ = false;
    Snapshot snapshot = source_();
    if (!snapshot.modified) {
        discard();
        return;
    }
    holdProcessLock();
    snapshot.record.pid = ownPid();
    if (lastChange_.isValid())
        snapshot.record.changed = lastChange_;
    written_ = true;
    const QString path = filePath_;
    // The record holds the only copy of the text; the worker formats and writes it.
    writer().start([path, record = std::move(snapshot.record)] { writeFile(path, record); });
}

QString RecoveryJournal::directory()
{
    const QString over = qEnvironmentVariable("TESSARY_RECOVERY_DIR");
    if (!over.isEmpty())
        return QDir::cleanPath(over);
#ifdef Q_OS_WIN
    QString local = qEnvironmentVariable("LOCALAPPDATA");
    if (local.isEmpty() || !QDir::isAbsolutePath(local))
        local = QDir::homePath() + QStringLiteral("/AppData/Local");
    return QDir::cleanPath(local + QStringLiteral("/tessary-editor/recovery"));
#endif
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/tessary-editor/recovery"));
}

void RecoveryJournal::waitForWrites() { writer().waitForDone(); }

bool RecoveryJournal::writeFile(const QString& path, const RecoveryRecord& record)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        return false;
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray header = record.header();
    if (file.write(header) != header.size() || file.write(record.text) != record.text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void RecoveryJournal::holdProcessLock()
{
    QDir().mkpath(directory());
#ifdef Q_OS_UNIX
    static int fd = -1;
    if (fd >= 0)
        return;
    const QByteArray name = QFile::encodeName(lockFileOf(ownPid()));
    // Another editor may be removing a stale lock file of the same number right now: hold a lock
    // on the file that is still in the folder.
    for (int attempt = 0; attempt < 50 && fd < 0; ++attempt) {
        const int candidate = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (candidate < 0)
            return;
        struct stat held {}, named {};
        if (::flock(candidate, LOCK_EX | LOCK_NB) == 0 && ::fstat(candidate, &held) == 0
            && ::stat(name.constData(), &named) == 0 && held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            fd = candidate;
            return;
        }
        ::close(candidate);
        ::usleep(10000);
    }
#else
    static QLockFile* lock = nullptr;
    if (lock)
        return;
    lock = new QLockFile(lockFileOf(ownPid()));
    lock->setStaleLockTime(0);
    lock->tryLock(0);
#endif
}

bool RecoveryJournal::processRunning(qint64 pid)
{
    if (pid == ownPid())
        return true;
#ifdef Q_OS_UNIX
    const QByteArray lock = QFile::encodeName(lockFileOf(pid));
    const int fd = ::open(lock.constData(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        // The lock is held for the owner's whole life: taking it means the owner is gone, even if
        // its process number has been given to another program since.
        const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        return held;
    }
    // No lock file: only a process that does not exist is certainly not the writer.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    // The lock file names its owner; Qt tells whether that process still runs.
    QLockFile other(lockFileOf(pid));
    other.setStaleLockTime(0);
    if (other.tryLock(0)) {
        other.unlock();
        return false;
    }
    return other.error() == QLockFile::LockFailedError;
#endif
}

void RecoveryJournal::removeStaleLocks()
{
    QDir dir(directory());
    const QStringList recoveries = dir.entryList({QStringLiteral("*.recovery")}, QDir::Files);
    for (const QString& name : dir.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        bool ok = false;
        const qint64 pid = name.chopped(5).toLongLong(&ok);
        // While work of that editor waits in the folder, its lock file is what proves it ended.
        if (!ok || pid <= 0 || pid == ownPid()
            || !recoveries.filter(QRegularExpression(QStringLiteral("^%1-").arg(pid))).isEmpty())
            continue;
#ifdef Q_OS_UNIX
        const QByteArray file = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(file.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Removed while locked here, so a new owner of that number never loses a file it holds.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(file.constData());
        ::close(fd);
#else
        processRunning(pid); // takes and drops a stale lock, which removes its file
#endif
    }
}

QList<qint64> RecoveryJournal::editorsWithUnsavedChanges(const QString& path)
{
    QList<qint64> editors;
    QDir dir(directory());
    for (const QString& name : dir.entryList({QStringLiteral("*.recovery")}, QDir::Files, QDir::Name)) {
        const qint64 writer = name.section(QLatin1Char('-'), 0, 0).toLongLong();
        if (writer <= 0 || writer == ownPid() || editors.contains(writer))
            continue;
        const std::optional<RecoveryRecord> record = RecoveryRecord::readHeader(dir.filePath(name));
        if (record && record->pid == writer && !record->path.isEmpty()
            && FilePaths::samePath(record->path, path) && processRunning(writer))
            editors.append(writer);
    }
    return editors;
}

QList<RecoveryJournal::Orphan> RecoveryJournal::findOrphans(QStringList* skipped)
{
    QList<Orphan> orphans;
    QDir dir(directory());
    const QStringList names = dir.entryList({QStringLiteral("*.recovery")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString file = dir.filePath(name);
        // A running editor's work is not read whole at every start: its header says whose it is.
        const std::optional<RecoveryRecord> head = RecoveryRecord::readHeader(file);
        if (head && processRunning(head->pid))
            continue;
        QFile in(file);
        std::optional<RecoveryRecord> record;
        if (in.open(QIODevice::ReadOnly))
            record = RecoveryRecord::parse(in.readAll());
        in.close();
        if (!record) {
            // The file name tells the writer even when the content cannot be read.
            const qint64 writer = name.section(QLatin1Char('-'), 0, 0).toLongLong();
            if (writer > 0 && processRunning(writer))
                continue; // possibly being written right now
            if (skipped)
                skipped->append(QDir::toNativeSeparators(file));
            QFile::remove(file + QStringLiteral(".damaged"));
            QFile::rename(file, file + QStringLiteral(".damaged"));
            continue;
        }
        if (processRunning(record->pid))
            continue;
        orphans.append({file, std::move(*record)});
    }
    return orphans;
}
