#include "wizards/clsIni.h"

#include "platform/DialogService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::string bytes(const QString& text)
{
    return text.toLocal8Bit().toStdString(); // the system code page, as the profile functions take it
}

QString text(const std::string& bytes)
{
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

// Windows takes both separators; elsewhere "/" is the only real one, and "\" comes from typed paths.
qsizetype lastSeparator(const QString& path)
{
    return qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
}

bool hasDriveColon(const QString& path)
{
    return path.size() >= 2 && path.at(1) == QLatin1Char(':');
}

} // namespace

clsIni::clsIni(std::shared_ptr<platform::IniStore> store) : store_(std::move(store)) {}

void clsIni::setFullPath(const QString& path)
{
    mPrivPath = path;
    mFullPath = path;
    mReady = !isBlank(mSection);
    mUseWinINI = false;
}

void clsIni::setSectionName(const QString& name)
{
    mSection = name;
    mReady = !isBlank(name);
}

void clsIni::setUseWinINI(bool on)
{
    if (on == mUseWinINI)
        return;
    mUseWinINI = on;
    if (on)
        mFullPath = text(store_->systemFilePath());
    else
        setFullPath(mPrivPath);
}

bool clsIni::ready() const
{
    if (!mReady)
        platform::dialogs().message(messageOwner_, QStringLiteral("[Section] and FileName Not Registered in Private.Ini!"),
                                    QStringLiteral("IniFile Logic Error"), platform::MessageButtons::Ok,
                                    platform::MessageIcon::Information);
    return mReady;
}

std::string clsIni::file() const
{
    return mUseWinINI ? std::string() : bytes(mFullPath);
}

std::string clsIni::section() const
{
    return bytes(mSection);
}

QString clsIni::GetString(const QString& key, const QString& defaultValue)
{
    if (!ready())
        return QString();
    // The profile function copies into a 255-character buffer: at most 254 characters come back.
    return text(store_->readString(file(), section(), bytes(key), bytes(defaultValue))).left(StringBuffer - 1);
}

qint16 clsIni::GetInt(const QString& key, qint16 defaultValue)
{
    if (!ready())
        return 0;
    const int value = store_->readInt(file(), section(), bytes(key), defaultValue);
    return qint16(qBound(-32768, value, 32767));
}

bool clsIni::GetTF(const QString& key, bool defaultValue)
{
    if (!ready())
        return false;
    const QString value =
        GetString(key, defaultValue ? QStringLiteral("True") : QStringLiteral("False")).toUpper().trimmed();
    static const QStringList yes{"YES", "Y", "TRUE", "T", "ON", "1", "-1"};
    return yes.contains(value);
}

int clsIni::PutString(const QString& key, const QString& value)
{
    if (!ready())
        return 0;
    return store_->writeString(file(), section(), bytes(key), bytes(value)) ? 1 : 0;
}

int clsIni::PutInt(const QString& key, qint16 value)
{
    return PutString(key, QString::number(value));
}

void clsIni::DeleteStrEntry(const QString& key)
{
    if (ready())
        store_->writeString(file(), section(), bytes(key), std::string());
}

void clsIni::DeleteNumEntry(const QString& key)
{
    if (!ready())
        return;
    if (mUseWinINI)
        store_->writeString(file(), section(), bytes(key), std::string("0"));
    else
        store_->writeString(file(), section(), bytes(key), std::nullopt);
}

void clsIni::DeleteSection()
{
    if (!ready())
        return;
    store_->writeSection(file(), section(), {});
    mSection.clear();
    mReady = false;
}

void clsIni::FlushCache()
{
    if (ready())
        store_->flush(file());
}

QString clsIni::GetSectEntries()
{
    if (!ready())
        return QString();
    QString block;
    for (const std::string& entry : store_->readSection(file(), section()))
        block += text(entry) + QChar(0);
    // The profile function cuts a block longer than its buffer and still ends it with two NULs.
    if (block.size() > SectionBuffer - 1)
        block = block.left(SectionBuffer - 2) + QChar(0);
    return block + QChar(0);
}

qint16 clsIni::GetSectEntriesEx(std::array<QStringList, 2>& entries)
{
    if (!ready())
        return 0;
    QString block = GetSectEntries();
    if (block.size() <= 1)
        return 0;
    QStringList keys, values;
    while (!block.isEmpty() && block.at(0) != QChar(0)) {
        qsizetype nul = block.indexOf(QChar(0));
        if (nul < 0)
            nul = block.size();
        const QString line = block.left(nul);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        keys << (eq < 0 ? QString() : line.left(eq));
        values << (eq < 0 ? line : line.mid(eq + 1));
        block.remove(0, nul + 1);
    }
    entries = {keys, values};
    return qint16(keys.size());
}

QString clsIni::GetSections()
{
    QFile in(mFullPath);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    QString list;
    auto take = [&list](const QByteArray& bytes) {
        // StripComment: the text before the first ";", without blanks at either end.
        const QString line = QString::fromLocal8Bit(bytes);
        const QString stripped = line.left(line.indexOf(QLatin1Char(';'))).trimmed();
        if (stripped.startsWith(QLatin1Char('[')) && stripped.indexOf(QLatin1Char(']')) == stripped.size() - 1)
            list += stripped.mid(1, stripped.size() - 2) + QChar(0);
    };
    // Block by block, so that a large file picked by mistake is not held in memory. CR LF, LF and a
    // carriage return alone end a line. A line longer than a block is kept whole up to a limit far
    // beyond any section name; a longer one names no section (no piece of it is taken for a line).
    constexpr qsizetype kBlock = 1 << 16, kLongestLine = 1 << 20;
    QByteArray line;
    bool overlong = false;
    while (!in.atEnd()) {
        const QByteArray block = in.read(kBlock);
        if (block.isEmpty())
            break;
        for (qsizetype start = 0; start <= block.size();) {
            qsizetype end = start;
            while (end < block.size() && block[end] != '\r' && block[end] != '\n')
                ++end;
            overlong = overlong || line.size() + (end - start) > kLongestLine;
            if (!overlong)
                line += block.mid(start, end - start);
            if (end == block.size())
                break; // the line goes on in the next block
            if (!overlong)
                take(line);
            line.clear();
            overlong = false;
            start = end + 1;
        }
    }
    if (!overlong)
        take(line);
    if (list.isEmpty())
        list += QChar(0);
    return list + QChar(0);
}

qint16 clsIni::GetSectionsEx(QStringList& sections)
{
    QString list = GetSections();
    if (list.size() <= 2)
        return 0;
    list.chop(2); // the last name's NUL and the closing one
    sections = list.split(QChar(0));
    return qint16(qMin<qsizetype>(sections.size(), 32767));
}

bool clsIni::SectExist(const QString& name)
{
    const QString list = GetSections();
    if (list.isEmpty())
        return false;
    return (QChar(0) + list).toUpper().contains(QChar(0) + name.toUpper() + QChar(0));
}

bool clsIni::Exists(const QString& file) const
{
    const qsizetype slash = lastSeparator(file);
    QString folder = slash >= 0 ? file.left(slash + 1) : QString();
    QString pattern = file.mid(slash + 1);
    if (pattern.isEmpty())
        return false;
    if (!pattern.contains(QLatin1Char('.')))
        pattern += QStringLiteral(".*");
    // Only "*" and "?" are wildcards in a file search; "[" is an ordinary character of the name.
    pattern.replace(QLatin1Char('['), QStringLiteral("[[]"));
    QDir::Filters filters = QDir::Files;
#ifndef Q_OS_WIN
    filters |= QDir::CaseSensitive;
#endif
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    return !dir.entryList(QStringList{pattern}, filters).isEmpty();
}

QString clsIni::ExtractName(const QString& path, int part) const
{
    const QString from = path.isEmpty() ? mFullPath : path;
    QString name;
    const qsizetype slash = lastSeparator(from);
    if (slash >= 0)
        name = from.mid(slash + 1);
    else if (hasDriveColon(from))
        name = from.mid(2);
    else
        name = from;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0 && part == 1)
        return name.left(dot);
    if (dot >= 0 && part == 2)
        return name.mid(dot + 1);
    return name;
}

QString clsIni::ExtractPath(const QString& path) const
{
    const QString from = path.isEmpty() ? mFullPath : path;
    QString folder;
    const qsizetype slash = lastSeparator(from);
    if (slash >= 0) {
        folder = from.left(slash);
    } else if (!hasDriveColon(from)) {
        folder = QDir::toNativeSeparators(QDir::currentPath());
    } else {
        // The current folder of that drive (there are drives only on Windows).
#ifdef Q_OS_WIN
        folder = QDir::toNativeSeparators(QFileInfo(from.left(2)).absoluteFilePath());
#endif
        if (folder.isEmpty())
            folder = QDir::toNativeSeparators(QDir::currentPath());
    }
    if (folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void clsIni::IniWrite(const QString& section, const QString& key, const QString& value, const QString& fileName)
{
    store_->writeString(mUseWinINI ? std::string() : bytes(fileName), bytes(section), bytes(key), bytes(value));
}

QString clsIni::IniRead(const QString& section, const QString& key, int defaultNumber, const QString& defaultText,
                        bool numeric, const QString& fileName)
{
    const std::string target = mUseWinINI ? std::string() : bytes(fileName);
    if (numeric)
        return QString::number(store_->readInt(target, bytes(section), bytes(key), defaultNumber));
    return text(store_->readString(target, bytes(section), bytes(key), bytes(defaultText))).left(StringBuffer - 1);
}
