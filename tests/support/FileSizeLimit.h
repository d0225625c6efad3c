#pragma once

// A full disk as the program meets it: while a FileSizeLimit lives, no file of this process can
// grow past the given number of bytes. A write beyond fails with an error, as on a disk without
// room, on whichever path the program takes (buffered or not, temporary file or not), so the
// program's own handling of a failed write runs unchanged. Reading is not affected, nor are
// sockets and pipes.
//
// The kernel answers such a write with the signal SIGXFSZ, which would end the process: it is
// ignored for the lifetime of the limit so that the write only fails.

#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

namespace vo::test {

class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        active_ = getrlimit(RLIMIT_FSIZE, &previous_) == 0;
        if (active_) {
            rlimit limit = previous_;
            limit.rlim_cur = static_cast<rlim_t>(bytes);
            active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
    }
    ~FileSizeLimit()
    {
        if (active_)
            setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

} // namespace vo::test
