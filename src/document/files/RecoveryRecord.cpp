#include "document/files/RecoveryRecord.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray Magic = QByteArrayLiteral("TESSARY-RECOVERY 1\n");

} // namespace

QByteArray RecoveryRecord::header(qint64 textLength) const
{
    QByteArray h = Magic;
    h += "pid=" + QByteArray::number(pid) + '\n';
    h += "path=" + path.toUtf8().toPercentEncoding() + '\n';
    h += "title=" + title.toUtf8().toPercentEncoding() + '\n';
    h += "encoding=" + QByteArray::number(int(encoding)) + '\n';
    h += "linebreak=" + QByteArray::number(int(lineBreak)) + '\n';
    h += "changed=" + changed.toUTC().toString(Qt::ISODateWithMs).toLatin1() + '\n';
    if (base.known) {
        h += "base=" + (base.exists ? QByteArray::number(base.size) + ' ' + QByteArray::number(base.modifiedNs) + ' '
                                          + QByteArray::number(base.inode)
                                    : QByteArray("none"))
             + '\n';
        if (!baseHash.isEmpty())
            h += "base-hash=" + baseHash.toHex() + '\n';
    }
    h += "length=" + QByteArray::number(textLength) + "\n\n";
    return h;
}

namespace {

bool parseBase(const QByteArray& value, DiskState& base)
{
    base.known = true;
    if (value == "none")
        return true;
    const QList<QByteArray> parts = value.split(' ');
    bool okSize = false, okTime = false, okInode = false;
    if (parts.size() != 3)
        return false;
    base.exists = true;
    base.size = parts[0].toLongLong(&okSize);
    base.modifiedNs = parts[1].toLongLong(&okTime);
    base.inode = parts[2].toULongLong(&okInode);
    return okSize && okTime && okInode;
}

} // namespace

std::optional<RecoveryRecord::Head> RecoveryRecord::parseHeader(QByteArrayView bytes)
{
    if (!bytes.startsWith(Magic))
        return std::nullopt;
    const qsizetype end = bytes.indexOf(QByteArrayView("\n\n"), Magic.size() - 1);
    if (end < 0 || end >= MaxHeaderLength)
        return std::nullopt;
    Head head;
    RecoveryRecord& r = head.record;
    head.length = -1;
    bool okPid = false, okEnc = false, okBreak = false, okBase = true;
    const QList<QByteArray> lines = bytes.sliced(Magic.size(), end - Magic.size()).toByteArray().split('\n');
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
        else if (key == "base")
            okBase = parseBase(value, r.base);
        else if (key == "base-hash")
            r.baseHash = QByteArray::fromHex(value);
        else if (key == "length")
            head.length = value.toLongLong();
    }
    if (!okPid || r.pid <= 0 || !okEnc || !okBreak || !okBase || !r.changed.isValid() || r.title.isEmpty()
        || head.length < 0 || head.length > MaxTextLength)
        return std::nullopt;
    head.textStart = end + 2;
    return head;
}

std::optional<RecoveryRecord> RecoveryRecord::parse(const QByteArray& bytes)
{
    std::optional<Head> head = parseHeader(bytes);
    if (!head || head->length != bytes.size() - head->textStart)
        return std::nullopt;
    head->record.text = bytes.mid(head->textStart);
    return std::move(head->record);
}

bool RecoveryRecord::baseUnchanged(const DiskState& now) const
{
    if (!base.known || now.exists != base.exists)
        return false;
    if (!now.exists)
        return true;
    if (now.size == base.size && now.modifiedNs == base.modifiedNs && now.inode == base.inode)
        return true;
    // Copied back, or touched: the same bytes are the same file.
    return now.size == base.size && !baseHash.isEmpty() && fileHash(path) == baseHash;
}

QByteArray fileHash(const QString& path, const DiskState& expected)
{
    QFile file;
#ifdef Q_OS_UNIX
    // A pipe put in the file's place must not hang the caller.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0)
        return {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || (expected.known
            && (qint64(info.st_size) != expected.size || quint64(info.st_ino) != expected.inode
                || qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec != expected.modifiedNs))
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
#else
    file.setFileName(path);
    if ((expected.known && !(DiskState::of(path) == expected)) || !file.open(QIODevice::ReadOnly))
        return {};
#endif
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? hash.result() : QByteArray();
}
