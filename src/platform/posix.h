// Small POSIX helpers shared by the file service's sources; not for use outside platform/.
#pragma once

#include "files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vu::posix {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1)
        : fd_(fd)
    {
    }
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void release() { fd_ = -1; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

FileIdentity identityOf(const struct stat& st);

// Renames `from` onto `to`, failing with EEXIST when `to` exists: 0 or the errno value.
int renameNoReplace(const char* from, const char* to);

}  // namespace vu::posix
