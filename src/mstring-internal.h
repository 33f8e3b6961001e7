// SPDX-License-Identifier: MIT
// Names of their own for the exported functions that the library calls
// itself: mstring_init is an alias of mstrinit (mstring.cpp), and
// mstring_size and mstring_index reach the reading functions' chosen
// variant as mstrsize and mstrindex do (dispatch.cpp).  A call to an
// exported name would go to a program's own function of that name if it
// had one.  The version script keeps these names out of the dynamic symbol
// table.  They are not declared hidden: i386 code reaches a function
// resolved at load time only through the PLT, and gcc calls a hidden
// function directly.
#ifndef MSTRING_INTERNAL_H
#define MSTRING_INTERNAL_H

#include <cstddef>

extern "C" {
std::size_t mstring_size(const char *ms);
char *mstring_index(const char *ms, int n);
__attribute__((__malloc__)) char *mstring_init(const char *s, std::size_t size);
}

#endif
