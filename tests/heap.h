// SPDX-License-Identifier: MIT
// Interposed malloc, realloc and free for the tests: from the start of a
// Recording until its first query, every call is logged and a chosen
// allocation is refused.  Querying stops the recording, so that the test's
// own allocations stay out of the log.
#ifndef MSTRING_TEST_HEAP_H
#define MSTRING_TEST_HEAP_H

#include <cstddef>
#include <vector>

namespace heap {

struct Call {
    char kind;         // 'm' malloc, 'r' realloc, 'f' free
    const void *ptr;   // realloc's and free's argument
    std::size_t size;  // malloc's and realloc's request
    const void *result;
    bool operator==(const Call &o) const
    {
        return kind == o.kind && size == o.size && (kind != 'f' || ptr == o.ptr);
    }
};

class Recording {
public:
    // Refuses the fail_at-th malloc or realloc (counted from 1); 0 never.
    // With moving, every successful realloc moves the block and fills the
    // old one with 0xEE before freeing it, so stale reads show.
    explicit Recording(int fail_at = 0, bool moving = false);
    ~Recording();
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    std::vector<Call> calls() const;
    int requests() const; // malloc and realloc calls seen
    long live() const;    // blocks allocated minus blocks freed
};

// The sizes that the recorded malloc and realloc calls asked for, in order.
inline std::vector<std::size_t> request_sizes(const Recording &rec)
{
    std::vector<std::size_t> out;
    for (const Call &c : rec.calls())
        if (c.kind != 'f')
            out.push_back(c.size);
    return out;
}

} // namespace heap

#endif
