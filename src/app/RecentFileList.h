#pragma once
// The recent-files list: nine entries, most recent first, no file twice (paths compared as the file
// system does, see FilePaths::samePath).

#include <QString>
#include <array>

class RecentFileList {
public:
    static constexpr int Capacity = 9;

    // Puts path at the top. A path already listed moves up with its stored spelling.
    void add(const QString& path);
    const QString& at(int index) const { return entries_[size_t(index)]; }
    void set(int index, const QString& path) { entries_[size_t(index)] = path; }
    // The menu caption of entry index: "&1  C:\Scripts\logon.kix".
    static QString caption(int index, const QString& path);

private:
    std::array<QString, Capacity> entries_;
};
