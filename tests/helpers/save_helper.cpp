// Saves text through the script-file writer in a process of its own, so that a test can limit the
// file size, drop to another user or meet a pipe without putting the test process at risk.
//   tessary_save_helper [--user UID] [--file-size-limit BYTES] PATH TEXT
// Prints "saved" or the failure's message; exits 0 when saved, 1 when not, 2 on bad arguments.

#include "document/files/ScriptFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        const unsigned long value = std::strtoul(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--user") == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(value)) != 0 || ::setuid(uid_t(value)) != 0)
                return 2;
        } else if (std::strcmp(argv[i], "--file-size-limit") == 0) {
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = value;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 2;
        } else {
            return 2;
        }
    }
    if (argc - i != 2)
        return 2;
    const FileError error = ScriptFile::write(QString::fromLocal8Bit(argv[i]), {}, QByteArrayView(argv[i + 1]));
    std::puts(error.ok() ? "saved" : error.message.toLocal8Bit().constData());
    return error.ok() ? 0 : 1;
}
