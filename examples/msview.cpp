// SPDX-License-Identifier: MIT
// msview: collects its arguments in an mstring::list and walks them with
// the view: each string with its length, then the longest.
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "mstring.hpp"

int main(int argc, char **argv)
{
    mstring::list list;
    for (int i = 1; i < argc; ++i) {
        if (!list.push_back(argv[i])) {
            std::fputs("msview: out of memory\n", stderr);
            return 1; // list still holds, and frees, what it had
        }
    }
    for (std::string_view s : list)
        std::printf("%zu %.*s\n", s.size(), static_cast<int>(s.size()), s.data());
    auto longest = std::max_element(list.begin(), list.end(),
        [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
    if (longest == list.end()) { // no arguments: the list is an empty range
        std::fputs("usage: msview STRING...\n", stderr);
        return 2;
    }
    std::printf("longest: %s\n", longest->data());
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
