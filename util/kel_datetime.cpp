#include "util/kel_datetime.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "agent/log.h"

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

int64_t FloorMod(int64_t a, int64_t b) {
    return a - FloorDiv(a, b) * b;
}

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar
// (month 1 to 12); exact for any year an int64 day count can hold.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    int64_t era = FloorDiv(year, 400);
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int64_t &year, int64_t &month, int64_t &day) {
    days += 719468;
    int64_t era = FloorDiv(days, 146097);
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = yearOfEra + era * 400 + (month <= 2);
}

char *FormatDate(const KelDate *date, char *buffer, size_t size) {
    snprintf(buffer, size, "%04d-%02d-%02d", date->year, date->month, date->day);
    return buffer;
}

char *FormatTime(const KelTime *time, char *buffer, size_t size) {
    snprintf(buffer, size, "%02d:%02d:%02d", time->hour, time->minute, time->second);
    return buffer;
}

// The six fields a text gives, read by the layout its separators call for.
// Returns 0 for neither separator, else a bit set: 1 date given, 2 time given.
int ReadDateTimeFields(const char *text, int fields[6]) {
    memset(fields, 0, 6 * sizeof(int));
    bool hasDate = strchr(text, '-') != nullptr;
    bool hasTime = strchr(text, ':') != nullptr;
    if (hasDate && hasTime) {
        sscanf(text, "%d-%d-%d %d:%d:%d", &fields[0], &fields[1], &fields[2], &fields[3],
               &fields[4], &fields[5]);
    } else if (hasDate) {
        sscanf(text, "%d-%d-%d", &fields[0], &fields[1], &fields[2]);
    } else if (hasTime) {
        sscanf(text, "%d:%d:%d", &fields[3], &fields[4], &fields[5]);
    }
    return (hasDate ? 1 : 0) | (hasTime ? 2 : 0);
}

// Moves the record's fields by seconds and months on the calendar alone.
void ShiftFields(KelDateTime *value, int64_t seconds, int64_t months) {
    KelTime zeroTime = {0, 0, 0};
    KelTime *time = value->time != nullptr ? value->time : &zeroTime;
    int64_t timeOfDay = time->hour * 3600 + time->minute * 60 + time->second;
    KelDate *date = value->date;
    bool hasDate = date != nullptr && (date->year != 0 || date->month != 0 || date->day != 0);
    int64_t total = timeOfDay + seconds;
    if (hasDate) {
        int64_t monthIndex = int64_t{date->year} * 12 + (date->month - 1) + months;
        int64_t days = DaysFromCivil(FloorDiv(monthIndex, 12), FloorMod(monthIndex, 12) + 1, 1) +
                       (date->day - 1);
        total += days * kSecondsPerDay;
        int64_t year, month, day;
        CivilFromDays(FloorDiv(total, kSecondsPerDay), year, month, day);
        date->year = static_cast<uint16_t>(year);
        date->month = static_cast<uint8_t>(month);
        date->day = static_cast<uint8_t>(day);
    }
    int64_t second = FloorMod(total, kSecondsPerDay);
    if (value->time != nullptr) {
        value->time->hour = static_cast<uint8_t>(second / 3600);
        value->time->minute = static_cast<uint8_t>(second / 60 % 60);
        value->time->second = static_cast<uint8_t>(second % 60);
    }
}

KelDateTime *Shift(KelDateTime *value, uint32_t amount, int unit, int direction) {
    if (value == nullptr) {
        LogError("Shift of KelDateTime : record is NULL\n");
        return nullptr;
    }
    int64_t n = int64_t{amount} * direction;
    int64_t seconds = 0;
    int64_t months = 0;
    switch (unit) {
        case KEL_UNIT_NANOSECONDS:
            seconds = n / 1000000000;
            break;
        case KEL_UNIT_MICROSECONDS:
            seconds = n / 1000000;
            break;
        case KEL_UNIT_MILLISECONDS:
            seconds = n / 1000;
            break;
        case KEL_UNIT_SECONDS:
            seconds = n;
            break;
        case KEL_UNIT_MINUTES:
            seconds = n * 60;
            break;
        case KEL_UNIT_HOURS:
            seconds = n * 3600;
            break;
        case KEL_UNIT_DAYS:
            seconds = n * kSecondsPerDay;
            break;
        case KEL_UNIT_WEEKS:
            seconds = n * 7 * kSecondsPerDay;
            break;
        case KEL_UNIT_MONTHS:
            months = n;
            break;
        default:
            break;
    }
    ShiftFields(value, seconds, months);
    return value;
}

int64_t SortKey(const KelDateTime *value) {
    const KelDate *d = value->date;
    const KelTime *t = value->time;
    return ((((int64_t{d->year} * 256 + d->month) * 256 + d->day) * 256 + t->hour) * 256 +
            t->minute) *
               256 +
           t->second;
}

}  // namespace

KelDate *CreateKelDate(int year, int month, int day) {
    auto *date = static_cast<KelDate *>(calloc(1, sizeof(KelDate)));
    if (date == nullptr) {
        LogError("KelDate creation failed");
        return nullptr;
    }
    date->year = static_cast<uint16_t>(year);
    date->month = static_cast<uint8_t>(month);
    date->day = static_cast<uint8_t>(day);
    return date;
}

KelTime *CreateKelTime(int hour, int minute, int second) {
    auto *time = static_cast<KelTime *>(calloc(1, sizeof(KelTime)));
    if (time == nullptr) {
        LogError("KelTime creation failed");
        return nullptr;
    }
    time->hour = static_cast<uint8_t>(hour);
    time->minute = static_cast<uint8_t>(minute);
    time->second = static_cast<uint8_t>(second);
    return time;
}

KelDateTime *CreateKelDateTime(int year, int month, int day, int hour, int minute, int second) {
    auto *value = static_cast<KelDateTime *>(calloc(1, sizeof(KelDateTime)));
    if (value != nullptr) {
        value->date = CreateKelDate(year, month, day);
        value->time = CreateKelTime(hour, minute, second);
    }
    if (value == nullptr || value->date == nullptr || value->time == nullptr) {
        FreeKelDateTime(value);
        LogError("KelDateTime creation failed");
        return nullptr;
    }
    return value;
}

void FreeKelDateTime(KelDateTime *value) {
    if (value != nullptr) {
        free(value->date);
        free(value->time);
        free(value);
    }
}

char *KelDateToString(const KelDate *date) {
    char buffer[32];
    return date == nullptr ? nullptr : strdup(FormatDate(date, buffer, sizeof buffer));
}

char *KelTimeToString(const KelTime *time) {
    char buffer[32];
    return time == nullptr ? nullptr : strdup(FormatTime(time, buffer, sizeof buffer));
}

char *KelDateTimeToString(const KelDateTime *value) {
    if (value == nullptr || (value->date == nullptr && value->time == nullptr)) {
        return nullptr;
    }
    if (value->date == nullptr) {
        return KelTimeToString(value->time);
    }
    if (value->time == nullptr) {
        return KelDateToString(value->date);
    }
    char date[32];
    char time[32];
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%s %s", FormatDate(value->date, date, sizeof date),
             FormatTime(value->time, time, sizeof time));
    return strdup(buffer);
}

KelDateTime *ConvertStringToKelDateTime(const char *text) {
    LogTrace("Inside ConvertStringToKelDateTime \n");
    if (text == nullptr) {
        LogError("datetimeStr NULL \n");
        return nullptr;
    }
    int f[6];
    if (ReadDateTimeFields(text, f) == 0) {
        return nullptr;
    }
    return CreateKelDateTime(f[0], f[1], f[2], f[3], f[4], f[5]);
}

KelDateTime *ConvertStringToKelGenDateTime(const char *text) {
    LogTrace("Inside ConvertStringToKelGenDateTime \n");
    if (text == nullptr) {
        LogError("datetimeStr NULL \n");
        return nullptr;
    }
    int f[6];
    int given = ReadDateTimeFields(text, f);
    if (given == 0) {
        LogError("The String is not a datetimeStr \n");
        return nullptr;
    }
    if (given == 3) {
        return CreateKelDateTime(f[0], f[1], f[2], f[3], f[4], f[5]);
    }
    auto *value = static_cast<KelDateTime *>(calloc(1, sizeof(KelDateTime)));
    if (value == nullptr) {
        LogError("KelDateTime creation failed");
        return nullptr;
    }
    if (given == 1) {
        value->date = CreateKelDate(f[0], f[1], f[2]);
    } else {
        value->time = CreateKelTime(f[3], f[4], f[5]);
    }
    if (value->date == nullptr && value->time == nullptr) {
        free(value);
        return nullptr;
    }
    return value;
}

KelDateTime *GetCurrentKelDateTime(void) {
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    auto *value = static_cast<KelDateTime *>(calloc(1, sizeof(KelDateTime)));
    if (value == nullptr) {
        LogError("MEMORY ALLOCATION FAILURE FOR dateTimePtr");
        return nullptr;
    }
    value->date = CreateKelDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    if (value->date == nullptr) {
        LogError("CreateKelDate Failed");
        FreeKelDateTime(value);
        return nullptr;
    }
    value->time = CreateKelTime(local.tm_hour, local.tm_min, local.tm_sec);
    if (value->time == nullptr) {
        LogError("CreateKelTime Failed");
        FreeKelDateTime(value);
        return nullptr;
    }
    return value;
}

uint32_t GetCurrentTimeSeconds(void) {
    return static_cast<uint32_t>(time(nullptr));
}

int IsKelDateTimeAfter(const KelDateTime *a, const KelDateTime *b) {
    if (a == nullptr || b == nullptr || a->date == nullptr || a->time == nullptr ||
        b->date == nullptr || b->time == nullptr) {
        return 0;
    }
    return SortKey(a) > SortKey(b);
}

KelDateTime *AddToKelDateTime(KelDateTime *value, uint32_t amount, int unit) {
    return Shift(value, amount, unit, 1);
}

KelDateTime *SubtractFromKelDateTime(KelDateTime *value, uint32_t amount, int unit) {
    return Shift(value, amount, unit, -1);
}
