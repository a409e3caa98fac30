/*
 * http_date.h - the three date layouts of HTTP headers, read into the C
 * library's broken-down time.
 *
 * Conventions
 * - Records returned are new memory from malloc that the caller frees with
 *   free(). Results are 1 (true) and 0 (false) unless said.
 * - Every call is safe from any thread.
 */
#ifndef FW_UTIL_HTTP_DATE_H
#define FW_UTIL_HTTP_DATE_H

#include <time.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Reads the first of these layouts that fits, in this order:
 *   'Sun, 06 Nov 1994 08:49:37 GMT'   (years since 1900 = year - 1900)
 *   'Sunday, 06-Nov-94 08:49:37 GMT'  (the year is stored as written, so a
 *                                      two-digit year means 19xx)
 *   'Sun Nov  6 08:49:37 1994'        (years since 1900 = year - 1900)
 * The weekday and zone words are read but not used; weekday, day of year and
 * daylight flag are 0. NULL for an absent text, a text no layout fits, an
 * unknown month, or when memory runs out. */
FW_API struct tm *ParseDateTime(const char *text);

/* 0 to 11 for "Jan" to "Dec" in any letter case; -1 otherwise (also for
 * longer names such as "January" and for NULL). */
FW_API int ParseMonth(const char *text);

/* 1 when a is at or after b, comparing year, month, day, hour, minute and
 * second in that order; 0 when a is earlier or either is absent. */
FW_API int CompareTime(const struct tm *a, const struct tm *b);

FW_END_DECLS

#endif /* FW_UTIL_HTTP_DATE_H */
