/* SPDX-License-Identifier: MIT */
/* valgrind's client requests (Debian's valgrind package) for a musl
 * build, whose include path holds musl's headers alone: this header
 * needs nothing but the compiler's. */
#include "/usr/include/valgrind/valgrind.h"
