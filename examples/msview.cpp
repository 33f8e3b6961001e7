// SPDX-License-Identifier: MIT
// msview: builds an mstring::list from its arguments in one allocation and
// walks it: each string with its length, then the longest.  Then it hands
// the block to C code, which counts and measures it and frees it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "mstring.hpp"

int main(int argc, char **argv)
{
    // Every argument in one block; an empty list when there are none, or
    // when the heap refused, which failed() tells apart.  (argc is 0 when a
    // program is started with no argv[0] at all.)
    mstring::list list = mstring::list::from(argc > 0 ? argv + 1 : argv);
    if (list.failed() == mstring::failure::no_memory) {
        std::fputs("msview: out of memory\n", stderr);
        return 1;
    }
    for (std::string_view s : list)
        std::printf("%zu %.*s\n", s.size(), static_cast<int>(s.size()), s.data());
    auto longest = std::max_element(list.begin(), list.end(),
        [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
    if (longest == list.end()) { // no arguments: the list is an empty range
        std::fputs("usage: msview STRING...\n", stderr);
        return 2;
    }
    std::printf("longest: %.*s\n", static_cast<int>(longest->size()), longest->data());
    char *ms = list.release(); // exactly mstrsize(ms) bytes, the caller's
    std::printf("(%d strings, %zu bytes)\n", mstrcount(ms), mstrsize(ms));
    std::free(ms);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
