// Writing a script file: the platform's safe writer (platform/SafeFileWriter.h) does the work, so no
// failure costs the old content and the file keeps its owner, mode, hard links and attributes; here
// its outcome becomes the message the user reads. On Windows the system's replace call keeps the
// file's security descriptor and attributes (platform/win/WinFileSave).

#include "document/files/ScriptFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include "platform/SafeFileWriter.h"

#include <cstring>
#elif defined(Q_OS_WIN)
#include "platform/win/WinFileSave.h"
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
    const platform::win::SaveOutcome outcome = platform::win::saveFile(
        nativePath(info.absoluteFilePath()).toStdWString(), std::string_view(prefix.data(), size_t(prefix.size())),
        std::string_view(body.data(), size_t(body.size())));
    if (outcome.error == 0)
        return {};
    const QString reason = qt_error_string(int(outcome.error)).trimmed();
    if (outcome.keptCopy.empty())
        return failure(path, reason);
    return failure(path, QStringLiteral("%1 Its old content is kept in %2.")
                             .arg(reason, QString::fromStdWString(outcome.keptCopy)));
#endif
}
