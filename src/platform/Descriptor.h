#pragma once

// A POSIX file descriptor closed when it goes out of scope; -1 holds nothing.

#ifndef _WIN32
#include <unistd.h>

namespace platform {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    operator int() const { return fd_; }

private:
    int fd_;
};

} // namespace platform
#endif
