/*
 * kel_datetime.h - date, time and date-time values as records of calendar
 * fields, their text forms and their arithmetic.
 *
 * Conventions
 * - Records are allocated zeroed with calloc. A KelDateTime owns its date and
 *   time records; FreeKelDateTime (or free() on both parts, then on the
 *   record) releases it. KelDate and KelTime are released with free().
 * - Fields are not range-checked: they hold what the creator gave, cut to
 *   their widths (a year of 70000 is kept as 4464).
 * - Texts returned are new memory from malloc that the caller frees.
 * - Every call is safe from any thread; a record is not changed by two
 *   threads at once.
 */
#ifndef FW_UTIL_KEL_DATETIME_H
#define FW_UTIL_KEL_DATETIME_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct KelDate {
    uint16_t year;
    uint8_t month; /* January is 1 */
    uint8_t day;
} KelDate;

typedef struct KelTime {
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
} KelTime;

typedef struct KelDateTime {
    KelDate *date; /* NULL for a time without a date */
    KelTime *time; /* NULL for a date without a time */
    uint8_t reserved1;
    uint8_t reserved2;
    uint8_t reserved3;
} KelDateTime;

/* The value lengths the data layer records for the three records. */
#define KEL_DATE_VALUE_LENGTH 4
#define KEL_TIME_VALUE_LENGTH 3
#define KEL_DATETIME_VALUE_LENGTH 11

/* Units of AddToKelDateTime and SubtractFromKelDateTime. The three below a
 * second move by whole seconds only (amount / 10^9, / 10^6, / 10^3). */
#define KEL_UNIT_NANOSECONDS 1
#define KEL_UNIT_MICROSECONDS 2
#define KEL_UNIT_MILLISECONDS 3
#define KEL_UNIT_SECONDS 4
#define KEL_UNIT_MINUTES 5
#define KEL_UNIT_HOURS 6
#define KEL_UNIT_DAYS 7
#define KEL_UNIT_WEEKS 8
#define KEL_UNIT_MONTHS 9

/* New records, or NULL after the ERROR record "KelDate creation failed",
 * "KelTime creation failed" or "KelDateTime creation failed". */
FW_API KelDate *CreateKelDate(int year, int month, int day);
FW_API KelTime *CreateKelTime(int hour, int minute, int second);
FW_API KelDateTime *CreateKelDateTime(int year, int month, int day, int hour, int minute,
                                      int second);

/* Frees both parts and the record; nothing for NULL. */
FW_API void FreeKelDateTime(KelDateTime *value);

/* "%04d-%02d-%02d" and "%02d:%02d:%02d"; NULL for an absent record or when
 * memory runs out. */
FW_API char *KelDateToString(const KelDate *date);
FW_API char *KelTimeToString(const KelTime *time);

/* "%04d-%02d-%02d %02d:%02d:%02d" with both parts, else the form of the part
 * present; NULL for an absent record, one with neither part, or when memory
 * runs out. */
FW_API char *KelDateTimeToString(const KelDateTime *value);

/* Reads "%d-%d-%d %d:%d:%d" when the text holds both "-" and ":", "%d-%d-%d"
 * when only "-", "%d:%d:%d" when only ":"; fields not reached are 0. The
 * result always has both parts (a missing one all zeros). NULL for a text
 * with neither separator, and after the ERROR record "datetimeStr NULL \n"
 * for an absent one. The caller frees it with FreeKelDateTime. */
FW_API KelDateTime *ConvertStringToKelDateTime(const char *text);

/* The same readings, but the result has only the parts the text gives. NULL
 * for an absent text, and after the ERROR record "The String is not a
 * datetimeStr \n" for one with neither separator. */
FW_API KelDateTime *ConvertStringToKelGenDateTime(const char *text);

/* The current local date and time with both parts; NULL when memory runs
 * out. The caller frees it with FreeKelDateTime. */
FW_API KelDateTime *GetCurrentKelDateTime(void);

/* Seconds since 1 January 1970 UTC, in 32 bits. */
FW_API uint32_t GetCurrentTimeSeconds(void);

/* 1 when a is strictly later than b; 0 when equal, earlier, or when either is
 * absent or lacks a part. */
FW_API int IsKelDateTimeAfter(const KelDateTime *a, const KelDateTime *b);

/* Move the record by amount units (KEL_UNIT_...) in place and return it; an
 * unknown unit moves nothing. Fields are then normalised as calendar
 * arithmetic does (2024-02-30 becomes 2024-03-01; 31 January plus one month
 * is 2 or 3 March). The arithmetic is on the calendar alone, without time
 * zones or daylight saving. A record without a date part, or with the zero
 * date 0000-00-00, moves its time of day only and keeps its date. NULL for
 * an absent record. */
FW_API KelDateTime *AddToKelDateTime(KelDateTime *value, uint32_t amount, int unit);
FW_API KelDateTime *SubtractFromKelDateTime(KelDateTime *value, uint32_t amount, int unit);

FW_END_DECLS

#endif /* FW_UTIL_KEL_DATETIME_H */
