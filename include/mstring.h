/* SPDX-License-Identifier: MIT */
/*
 * mstring.h - lists of strings in one heap block ("multi-strings").
 *
 * A multi-string is every string with its NUL, back to back, and one more
 * NUL (the final NUL) closing the list:  "a\0b\0\0" holds "a" and "b".
 * It ends at the first pair of adjacent NULs, so only the first string can
 * be empty; "\0\0" is the smallest multi-string and holds one empty string.
 * Its size counts every byte through the final NUL (always at least 2);
 * strings are numbered from 1.  Bytes behind the final NUL are ignored.
 *
 * Every block this library returns comes from malloc or realloc and belongs
 * to the caller, who releases it with free().  The library never frees a
 * block it has handed out, keeps no state and creates no threads.  Failures
 * are reported by a null result only; errno is not set on purpose.
 *
 * Sizes are size_t: no multi-string or block is larger than SIZE_MAX
 * bytes (4 GiB - 1 on 32-bit x86; glibc's malloc refuses more than
 * 2 GiB - 1 anyway).  A call whose new block would need more returns NULL
 * as if the heap had refused, without asking it, and changes nothing.
 *
 * mstrsize, mstrcount and mstrindex read whole aligned blocks of up to 64
 * bytes: nothing before the aligned 64 bytes that hold ms, and nothing past
 * the aligned 64 bytes that hold the last NUL they need, so never a page
 * that the multi-string does not reach.  Under valgrind they read the
 * list's own bytes alone, so that memcheck has nothing to report.
 *
 * Arguments are not checked unless stated: multi-strings must be well
 * formed (end in two adjacent NULs), strings NUL-terminated, and in-place
 * operations must be given enough room.
 */
#ifndef MSTRING_H
#define MSTRING_H

#include <stddef.h>

#if defined(__GNUC__) && __GNUC__ >= 4
#define MSTRING_API __attribute__((__visibility__("default")))
#define MSTRING_NEW __attribute__((__malloc__, __warn_unused_result__))
#define MSTRING_SENTINEL __attribute__((__sentinel__))
#else
#define MSTRING_API
#define MSTRING_NEW
#define MSTRING_SENTINEL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of ms in bytes, both terminating NULs included: 2 for "\0\0". */
MSTRING_API size_t mstrsize(const char *ms);

/*
 * Number of strings in ms, at least 1 ("\0\0" holds one empty string), or
 * -1 when ms holds more than INT_MAX strings (a list of 4 GiB or more,
 * which only a 64-bit machine can hold).
 */
MSTRING_API int mstrcount(const char *ms);

/*
 * Start of string n of ms (counted from 1).  With c = mstrcount(ms):
 * n = 1 gives ms, n = 2..c the start of string n, n = c + 1 the address of
 * the final NUL (an empty string), and any other n (below 1, or c + 2 and
 * above) gives NULL.  The scan stops at the final NUL at the latest.  The
 * result points into ms and is writable if ms is, like strchr's.
 */
MSTRING_API char *mstrindex(const char *ms, int n);

/*
 * New block of size bytes holding the one string s.  size 0 means exactly
 * strlen(s) + 2; a larger size leaves NUL-filled room for mstradd; a size
 * from 2 to strlen(s) + 1 cuts s to size - 2 bytes.  Returns NULL, having
 * allocated nothing, for size 1 (no room for the two final NULs) and when
 * malloc fails.
 */
MSTRING_API MSTRING_NEW char *mstrinit(const char *s, size_t size);

/*
 * Appends s to ms in place and returns ms.  ms must have room for
 * mstrsize(ms) + strlen(s) + 1 bytes; nothing is checked or grown.  s may
 * be one of ms's own strings.  An empty s changes no string but still
 * writes a NUL at offset mstrsize(ms).
 */
MSTRING_API char *mstradd(char *ms, const char *s);

/*
 * Copies the mstrsize(src) bytes of src to dst and returns dst.  dst must
 * have that room and must not overlap src; bytes of dst past the copied
 * final NUL are left as they were.
 */
MSTRING_API char *mstrcpy(char *dst, const char *src);

/* New block of exactly mstrsize(src) bytes holding a copy of src, or NULL
 * when malloc fails. */
MSTRING_API MSTRING_NEW char *mstrdup(const char *src);

/*
 * Appends s to the heap block *ms, reallocating it to exactly
 * mstrsize(*ms) + strlen(s) + 1 bytes (room to spare is given back).
 * Returns the new address, also stored in *ms; addresses into the old
 * block are then void.  s may be one of the block's own strings, even if
 * the block moves.  On failure returns NULL and leaves *ms and its block
 * untouched and still the caller's.
 */
MSTRING_API char *mstradd_r(char **ms, const char *s);

/*
 * New block holding s and the strings after it, up to a null pointer:
 * mkmstrl("a", "b", (char *)0).  Empty strings after the first leave no
 * trace in the list.  The block starts as mstrinit(s, 0) and grows as
 * mstradd_r grows it, one realloc per further string, so it is exactly
 * the list's size, or one byte more when the last string is empty and
 * not the first.  Returns NULL, having allocated nothing, if s is null;
 * NULL with nothing left allocated when the heap refuses memory.
 */
MSTRING_API MSTRING_NEW MSTRING_SENTINEL char *mkmstrl(const char *s, ...);

/*
 * As mkmstrl, from the vector v up to its first null element (argv fits
 * without a cast).  Returns NULL, having allocated nothing, if v is null
 * or v[0] is null; NULL with nothing left allocated when the heap refuses
 * memory.
 */
MSTRING_API MSTRING_NEW char *mkmstrv(char *const *v);

/*
 * Writes string n of ms and a newline to stdout with puts() and returns
 * what puts returned (EOF if the write failed).  n = 0 writes nothing and
 * returns 0; n = mstrcount(ms) + 1 writes an empty line.  For an n that
 * mstrindex maps to NULL nothing is written and EOF is returned.
 */
MSTRING_API int putmss(const char *ms, int n);

/*
 * Writes every string of ms in order, one line each, and returns the sum
 * of the puts() results; a failed line adds EOF (-1) and the rest are
 * still written.  stdout is not flushed.  The sum wraps modulo 2^32.
 */
MSTRING_API int putms(const char *ms);

#ifdef __cplusplus
}
#endif

#undef MSTRING_API
#undef MSTRING_NEW
#undef MSTRING_SENTINEL

#endif /* MSTRING_H */
