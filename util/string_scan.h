/*
 * string_scan.h - finding patterns in texts and cutting texts at them.
 *
 * Conventions
 * - Texts are NUL-terminated; lengths and indexes are byte counts in int.
 * - Two ways of finding a pattern live here. SubString and FindSubString find
 *   the first exact occurrence. The others use the pattern scan: one pass
 *   from left to right that keeps a position in the pattern, advances it on
 *   an equal byte and puts it back to the pattern's start on a different one,
 *   without comparing that byte with the pattern's first byte again and
 *   without backing up. So 'ab' is not found in 'aab' but is in 'xab', and
 *   occurrences never overlap. An empty pattern never occurs.
 * - Texts returned are new memory from malloc; the caller frees them (text
 *   arrays with FreeStringArray), except where a call says it returns the
 *   caller's own pointer.
 * - Every call is safe from any thread as long as its texts are not changed
 *   meanwhile.
 */
#ifndef FW_UTIL_STRING_SCAN_H
#define FW_UTIL_STRING_SCAN_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* A pointer into text at the first exact occurrence of pattern, or NULL when
 * there is none, the pattern is longer than the text or either is absent.
 * Allocates nothing; an empty pattern is found at the text's start. */
FW_API char *SubString(const char *text, const char *pattern);

/* 1 when SubString would find pattern in text, else 0. */
FW_API int FindSubString(const char *text, const char *pattern);

/* The index of the first byte equal to value among the first count bytes, or
 * -1 (also for count below 1 or absent bytes). */
FW_API int GetIndex(const char *bytes, int count, int value);

/* The number of occurrences of pattern the pattern scan finds in text; -1
 * when either is absent. */
FW_API int CountOccurrences(const char *text, const char *pattern);

/* The index where the pattern scan's first occurrence begins; 0 when there is
 * none (as for an occurrence at 0); -1 when either is absent. */
FW_API int GetSubStringIndex(const char *text, const char *pattern);

/* A new text of the bytes before the first occurrence (GetSubStringIndex),
 * the empty text when there is none; NULL when either argument is absent or
 * memory runs out. The caller frees it. */
FW_API char *GetTextBefore(const char *text, const char *pattern);

/* A new text of the bytes after the first occurrence. When the pattern does
 * not occur that is the text without its first strlen(pattern) bytes (the
 * empty text if the pattern is the longer); callers use it on texts that hold
 * the pattern. NULL when either is absent or memory runs out. The caller
 * frees it. */
FW_API char *GetTextAfter(const char *text, const char *pattern);

/* The parts of text between the occurrences of separator, in an array ended
 * by a NULL entry: n occurrences give n + 1 parts, each a new text (empty
 * parts are empty texts). When the separator does not occur (or is absent or
 * empty) the array's one entry is text itself, not a copy: free only the
 * array then. NULL for an absent text or when memory runs out. The caller
 * frees the array and the parts (FreeStringArray with n + 1). */
FW_API char **SplitString(const char *text, const char *separator);

/* 1 when one comma-separated piece of the first length bytes has exactly
 * candidateLength bytes equal to candidate's, else 0. */
FW_API int IsStringMatched(const char *bytes, int length, const char *candidate,
                           int candidateLength);

/* Frees the first count entries of array (count is taken as a 16-bit signed
 * value; a negative one frees no entry), then the array. Nothing for NULL. */
FW_API void FreeStringArray(char **array, int count);

FW_END_DECLS

#endif /* FW_UTIL_STRING_SCAN_H */
