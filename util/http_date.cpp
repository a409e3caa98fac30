#include "util/http_date.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>

#include "agent/log.h"

namespace {

const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Fields {
    int day = 0;
    char month[16] = {};
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The weekday and zone words are skipped without being stored, so a word of
// any length is read whole and nothing overflows; %n tells whether the
// trailing zone word was there. A month word is read into 15 bytes: any word
// longer than three letters is not a month, cut or not.
bool ReadLayout(const char *text, int layout, Fields &f) {
    int end = -1;
    switch (layout) {
        case 0:
            return sscanf(text, "%*s %d %15s %d %d:%d:%d %*s%n", &f.day, f.month, &f.year, &f.hour,
                          &f.minute, &f.second, &end) == 6 &&
                   end >= 0;
        case 1:
            return sscanf(text, "%*s %d-%3s-%d %d:%d:%d %*s%n", &f.day, f.month, &f.year, &f.hour,
                          &f.minute, &f.second, &end) == 6 &&
                   end >= 0;
        default:
            return sscanf(text, "%*s %15s %d %d:%d:%d %d", f.month, &f.day, &f.hour, &f.minute,
                          &f.second, &f.year) == 6;
    }
}

}  // namespace

struct tm *ParseDateTime(const char *text) {
    LogTrace("\n\t@@@@@ Inside ParseDateTime() @@@@@\n");
    if (text == nullptr) {
        LogError("ParseDateTime : text is NULL\n");
        return nullptr;
    }
    for (int layout = 0; layout < 3; ++layout) {
        Fields f;
        if (!ReadLayout(text, layout, f)) {
            continue;
        }
        int month = ParseMonth(f.month);
        if (month < 0) {
            return nullptr;
        }
        auto *result = static_cast<struct tm *>(calloc(1, sizeof(struct tm)));
        if (result == nullptr) {
            return nullptr;
        }
        result->tm_sec = f.second;
        result->tm_min = f.minute;
        result->tm_hour = f.hour;
        result->tm_mday = f.day;
        result->tm_mon = month;
        // The second layout's year is kept as written: two digits mean 19xx.
        result->tm_year = layout == 1 ? f.year : f.year - 1900;
        return result;
    }
    return nullptr;
}

int ParseMonth(const char *text) {
    LogTrace("\n\t@@@@@ Inside ParseMonth() @@@@@\n");
    if (text == nullptr) {
        return -1;
    }
    for (int month = 0; month < 12; ++month) {
        if (strcasecmp(text, kMonths[month]) == 0) {
            return month;
        }
    }
    return -1;
}

int CompareTime(const struct tm *a, const struct tm *b) {
    LogTrace("\n\t@@@@@ Inside CompareTime() @@@@@\n");
    if (a == nullptr || b == nullptr) {
        return 0;
    }
    const int left[] = {a->tm_year, a->tm_mon, a->tm_mday, a->tm_hour, a->tm_min, a->tm_sec};
    const int right[] = {b->tm_year, b->tm_mon, b->tm_mday, b->tm_hour, b->tm_min, b->tm_sec};
    for (int i = 0; i < 6; ++i) {
        if (left[i] != right[i]) {
            return left[i] > right[i];
        }
    }
    return 1;
}
