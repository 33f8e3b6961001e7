// SPDX-License-Identifier: MIT
// Standard output sent to a temporary file while a print runs.
#ifndef MSTRING_TEST_CAPTURE_H
#define MSTRING_TEST_CAPTURE_H

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

class Capture {
public:
    Capture() : file_(std::tmpfile()) {}
    ~Capture()
    {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    Capture(const Capture &) = delete;
    Capture &operator=(const Capture &) = delete;

    bool ok() const { return file_ != nullptr; }

    // Runs print and returns what it wrote; *result gets its result.  A
    // print that writes more than 1 MiB is killed by SIGXFSZ: the file size
    // limit is lowered while it runs, so that one that never ends cannot
    // fill the disk.
    template <class Print>
    std::string operator()(Print print, int *result)
    {
        int fd = fileno(file_);
        std::fflush(stdout);
        int saved = dup(1);
        rlimit unbounded, bounded;
        if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0 || dup2(fd, 1) != 1 ||
            getrlimit(RLIMIT_FSIZE, &unbounded) != 0)
            std::abort();
        bounded = {std::min<rlim_t>(unbounded.rlim_cur, 1 << 20), unbounded.rlim_max};
        setrlimit(RLIMIT_FSIZE, &bounded);
        *result = print();
        std::fflush(stdout);
        setrlimit(RLIMIT_FSIZE, &unbounded);
        dup2(saved, 1);
        close(saved);
        std::string text(static_cast<std::size_t>(lseek(fd, 0, SEEK_CUR)), '\0');
        if (pread(fd, &text[0], text.size(), 0) != static_cast<ssize_t>(text.size()))
            std::abort();
        return text;
    }

private:
    std::FILE *file_;
};

#endif
