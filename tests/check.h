/* SPDX-License-Identifier: MIT */
/* CHECK for the C test programs: reports a false condition and counts it
 * in failed, which main returns. */
#ifndef MSTRING_TEST_CHECK_H
#define MSTRING_TEST_CHECK_H

#include <stdio.h>

static int failed;

#define CHECK(cond)                                                          \
    do {                                                                     \
        if (!(cond)) {                                                       \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond);       \
            failed++;                                                        \
        }                                                                    \
    } while (0)

#endif
