// SPDX-License-Identifier: MIT
// Code the sanitizers must leave alone, and why.
#ifndef MSTRING_SANITIZERS_H
#define MSTRING_SANITIZERS_H

// Scanning reads aligned blocks: words, or vectors.  Bytes of those blocks
// that lie before the start or after the NUL a scan stops at are outside
// the object, and AddressSanitizer would report them: the functions that
// read blocks are left uninstrumented.
#define MSTRING_SCANS __attribute__((__no_sanitize_address__))

// The code that load-time resolvers run, all of it: they run while the
// program is being loaded and relocated, before any sanitizer runtime is
// ready (and clang will not inline instrumented code into them).
#ifdef __clang__
#define MSTRING_RESOLVES __attribute__((__no_sanitize__("address", "undefined", "coverage")))
#else
#define MSTRING_RESOLVES __attribute__((__no_sanitize__("address", "undefined")))
#endif

#endif
