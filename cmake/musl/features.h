/* SPDX-License-Identifier: MIT */
/* For C++ against musl (cmake/x86_64-linux-musl.cmake): musl's own
 * features.h, and the glibc version test that libstdc++'s configuration
 * for GNU/Linux uses, answered no. */
#include_next <features.h>
#ifndef __GLIBC_PREREQ
#define __GLIBC_PREREQ(major, minor) 0
#endif
