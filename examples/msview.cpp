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
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s STRING...\n", argv[0]);
        return 2;
    }
    mstring::list list = mstring::list::from(argv + 1); // empty if the heap refused
    if (!list) {
        std::fputs("msview: out of memory\n", stderr);
        return 1;
    }
    for (std::string_view s : list)
        std::printf("%zu %.*s\n", s.size(), static_cast<int>(s.size()), s.data());
    auto longest = std::max_element(list.begin(), list.end(),
        [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
    std::printf("longest: %.*s\n", static_cast<int>(longest->size()), longest->data());
    char *ms = list.release(); // exactly mstrsize(ms) bytes, the caller's
    std::printf("(%d strings, %zu bytes)\n", mstrcount(ms), mstrsize(ms));
    std::free(ms);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
