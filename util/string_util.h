/*
 * string_util.h - copying, comparing and converting NUL-terminated texts.
 *
 * Conventions
 * - A text is a pointer to NUL-terminated bytes, or NULL ("absent"). Lengths
 *   are in bytes and held in int.
 * - The copy calls return 1 on success and 99 when memory runs out; they
 *   store new memory from malloc that the caller releases with free(). They
 *   never free what the target pointer held before, except
 *   ReallocateAndSetString.
 * - An absent argument the call cannot work with gives a logged ERROR record
 *   and the result named below; nothing crashes.
 * - Every call is safe from any thread as long as the texts it is given are
 *   not changed meanwhile.
 */
#ifndef FW_UTIL_STRING_UTIL_H
#define FW_UTIL_STRING_UTIL_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

#define STRING_COPY_OK 1
#define STRING_COPY_NO_MEMORY 99

/* Stores a new copy of source in *target: 1, or 99 with *target NULL when
 * memory runs out (nothing is logged then). An absent source stores NULL and
 * returns 0; an absent target returns 0. The caller frees *target. */
FW_API int AllocateAndSetString(char **target, const char *source);

/* Stores a new text of the first length bytes of source plus a NUL in
 * *target; the bytes may hold NULs and are copied regardless. 1, or 99 after
 * the ERROR record "Unable to allocate memory\n" (*target NULL). length 0
 * stores the empty text even for an absent source; a negative length, or an
 * absent source with a positive length, returns 0 with *target NULL. The
 * caller frees *target. */
FW_API int AllocateAndSetNString(char **target, const char *source, int length);

/* Frees *target, then behaves as AllocateAndSetNString. */
FW_API int ReallocateAndSetString(char **target, const char *source, int length);

/* Copies length bytes (the areas may overlap) and returns target. */
FW_API void *CopyBytes(void *target, const void *source, int length);

/* 0 for an absent text, else its length. */
FW_API int GetStringLength(const char *text);

/* 0 when both are absent, -1 when only a is, 1 when only b is; otherwise the
 * difference a[i] - b[i] of the first differing bytes, both read as signed
 * 8-bit and the difference cut to a signed 8-bit value, or 0 when equal. */
FW_API int CompareStrings(const char *a, const char *b);

/* As CompareStrings with the ASCII letters A to Z of both texts read as lower
 * case; no other byte is folded. */
FW_API int CompareStringsIgnoreCase(const char *a, const char *b);

/* Reverses the first length bytes of text in place; returns text. */
FW_API char *ReverseString(char *text, int length);

/* The decimal value of an optional "+" or "-" followed by digits, wrapping in
 * 32 bits. -1 when any other byte occurs (and for an absent text, logged);
 * the empty text and a lone sign give 0. */
FW_API int ConvertStringToInt(const char *text);

/* The big-endian value of the first length bytes (1 to 4), the first byte
 * taken as signed; 0 for length 0; -1 for a length outside 0 to 4 or absent
 * bytes. */
FW_API int ConvertToInteger(const unsigned char *bytes, int length);

FW_END_DECLS

#endif /* FW_UTIL_STRING_UTIL_H */
