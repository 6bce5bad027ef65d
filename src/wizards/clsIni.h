#pragma once
// One INI file and one section at a time: reading and writing entries through the system's profile
// functions (the INI store), listing sections from the file text itself. Methods that need a file and
// section refuse, with the logic-error message, until a section that is not blank has been named.

#include "platform/IniStore.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>

class QWidget;

class clsIni {
public:
    explicit clsIni(std::shared_ptr<platform::IniStore> store = platform::defaultIniStore());

    // Properties.
    void setFullPath(const QString& path);
    QString FullPath() const { return mFullPath; }
    QString PrivPath() const { return mPrivPath; }
    void setSectionName(const QString& name);
    QString SectionName() const { return mSection; }
    void setUseWinINI(bool on);
    bool UseWinINI() const { return mUseWinINI; }
    // The window that owns the logic-error message: the one whose use of this object caused it.
    void setMessageOwner(QWidget* owner) { messageOwner_ = owner; }

    // Entries of the current section (need ready).
    QString GetString(const QString& key, const QString& defaultValue);
    qint16 GetInt(const QString& key, qint16 defaultValue);
    bool GetTF(const QString& key, bool defaultValue);
    int PutString(const QString& key, const QString& value); // non-zero on success
    int PutInt(const QString& key, qint16 value);
    void DeleteStrEntry(const QString& key);
    void DeleteNumEntry(const QString& key);
    void DeleteSection();
    void FlushCache();
    // "key=value" + NUL per entry, plus one NUL; a single NUL for an empty or missing section.
    QString GetSectEntries();
    // entries[0] keys, entries[1] values, one column per entry; returns the count.
    qint16 GetSectEntriesEx(std::array<QStringList, 2>& entries);

    // Section names read from the file (mFullPath), each followed by NUL, plus one NUL.
    QString GetSections();
    qint16 GetSectionsEx(QStringList& sections);
    bool SectExist(const QString& name);

    // Files and paths (no ready state needed).
    bool Exists(const QString& file) const;
    QString ExtractName(const QString& path, int part) const;
    QString ExtractPath(const QString& path) const;
    void IniWrite(const QString& section, const QString& key, const QString& value, const QString& file);
    // Returns what it read: the text (with the default text) or, when numeric, the whole number (with
    // the default number) in decimal.
    QString IniRead(const QString& section, const QString& key, int defaultNumber, const QString& defaultText,
                    bool numeric, const QString& file);

    static constexpr int StringBuffer = 255;
    static constexpr int SectionBuffer = 4096;

private:
    bool ready() const; // shows the logic-error message when not
    std::string file() const; // the store's name for the file in use ("" = the system file)
    std::string section() const;

    std::shared_ptr<platform::IniStore> store_;
    QString mSection = QStringLiteral("General");
    QString mFullPath;
    QString mPrivPath;
    bool mReady = false;
    bool mUseWinINI = false;
    QWidget* messageOwner_ = nullptr;
};
