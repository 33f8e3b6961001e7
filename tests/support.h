// SPDX-License-Identifier: MIT
// Small helpers shared by the tests.
#ifndef MSTRING_TEST_SUPPORT_H
#define MSTRING_TEST_SUPPORT_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

// Bytes placed so that the last one ends a readable page and the next page
// is inaccessible: any read past them faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string &bytes)
    {
        std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        readable_ = (bytes.size() + page - 1) / page * page;
        length_ = readable_ + page;
        map_ = static_cast<char *>(mmap(nullptr, length_, PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(map_ + readable_, page, PROT_NONE);
        data_ = map_ + readable_ - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedBytes() { munmap(map_, length_); }
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;

    char *data() const { return data_; }
    // From now on a write to the bytes faults as well.
    void read_only() const { mprotect(map_, readable_, PROT_READ); }

private:
    std::size_t readable_;
    std::size_t length_;
    char *map_;
    char *data_;
};

#endif
