// Writing a script file: the platform's safe writer (platform/SafeFileWriter.h) does the work, so no
// failure costs the old content and the file keeps its owner, mode, hard links and attributes; here
// its outcome becomes the message the user reads.

#include "document/files/ScriptFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include "platform/SafeFileWriter.h"

#include <cstring>
#else
#include <QSaveFile>
#endif

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

FileError failure(const QString& path, const QString& reason)
{
    return {FileError::Other, QStringLiteral("%1 cannot be saved: %2").arg(nativePath(path), reason)};
}

#ifdef Q_OS_UNIX

// Installed before main for every program that links the writer.
const bool kFileSizeSignalIgnored = (ScriptFile::ignoreFileSizeSignal(), true);

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

#endif // Q_OS_UNIX

} // namespace

void ScriptFile::ignoreFileSizeSignal()
{
#ifdef Q_OS_UNIX
    platform::safefile::ignoreFileSizeSignal();
#endif
}

FileError ScriptFile::write(const QString& path, QByteArrayView prefix, QByteArrayView body)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !QFileInfo(info.absolutePath()).isDir())
        return {FileError::PathInaccessible,
                QStringLiteral("The folder of %1 cannot be reached.").arg(nativePath(path))};
    if (info.isDir())
        return {FileError::Other, QStringLiteral("%1 is a folder, not a file.").arg(nativePath(path))};
#ifdef Q_OS_UNIX
    using platform::safefile::Outcome;
    const Outcome outcome = platform::safefile::write(QFile::encodeName(info.absoluteFilePath()).toStdString(),
                                                      std::string_view(prefix.data(), size_t(prefix.size())),
                                                      std::string_view(body.data(), size_t(body.size())));
    switch (outcome.kind) {
    case Outcome::Written:
        return {};
    case Outcome::NotRegular:
        return failure(path, QStringLiteral("it is not a regular file."));
    case Outcome::NoBackup:
        return failure(path, QStringLiteral("no copy of its old content could be kept: ") + systemReason(outcome.error));
    case Outcome::Failed:
        break;
    }
    if (outcome.keptCopy.empty())
        return failure(path, systemReason(outcome.error));
    return failure(path, QStringLiteral("%1. Its old content is kept in %2.")
                             .arg(systemReason(outcome.error),
                                  nativePath(QFile::decodeName(QByteArray::fromStdString(outcome.keptCopy)))));
#else
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(prefix.data(), prefix.size()) != prefix.size() ||
        file.write(body.data(), body.size()) != body.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(path, reason);
    }
    if (!file.commit())
        return failure(path, file.errorString());
    return {};
#endif
}
