// SPDX-License-Identifier: MIT
// What the library's modules share.  Nothing here is exported: the library
// is built with hidden visibility and a version script.  The layers, each
// in its own header:
//
//   scan-word.h     portable word primitives, the word and byte adapters
//   scan.h          the scan skeleton: length, size, count, index
//   scan-sse2.h     the SSE2 adapter (with or without POPCNT)
//   scan-avx2.h     the AVX2 adapter
//   scan-avx512.h   the AVX-512 adapter
//   cpu-x86.h       the x86 processor probe
//   variants.h      the list of variants per architecture, the selector
//   blocks.h        string length, walking, size arithmetic, append, grow
//
// A new instruction set gets an adapter of its own and an entry in the
// list of variants.
#ifndef MSTRING_INTERNAL_H
#define MSTRING_INTERNAL_H

#include <cstddef>

#include "blocks.h"
#include "variants.h"

// Names of their own for the exported functions that the library calls
// itself: mstring_init is an alias of mstrinit, and the other two are
// resolved as their exported names are.  A call to an exported name would
// go to a program's own function of that name if it had one.  The version
// script keeps these names out of the dynamic symbol table.  They are not
// declared hidden: i386 code reaches a function resolved at load time only
// through the PLT, and gcc calls a hidden function directly.
extern "C" {
std::size_t mstring_size(const char *ms);
char *mstring_index(const char *ms, int n);
__attribute__((__malloc__)) char *mstring_init(const char *s, std::size_t size);
}

#endif
