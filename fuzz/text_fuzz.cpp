// Fuzzes the text scanners: the first line of the input is a text, the rest a
// pattern. The pattern scan, the cuts and the splitting must agree with each
// other, and the date readers must take any text without harm.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/http_date.h"
#include "util/kel_datetime.h"
#include "util/string_scan.h"
#include "util/string_util.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        abort();
    }
}

void ScanAndSplit(const char *text, const char *pattern) {
    int count = CountOccurrences(text, pattern);
    int index = GetSubStringIndex(text, pattern);
    Check(count >= 0 && index >= 0 && index <= static_cast<int>(strlen(text)));
    free(GetTextBefore(text, pattern));
    free(GetTextAfter(text, pattern));
    char **parts = SplitString(text, pattern);
    Check(parts != nullptr);
    int entries = 0;
    size_t joined = 0;
    while (parts[entries] != nullptr) {
        joined += strlen(parts[entries]);
        ++entries;
    }
    Check(entries == count + 1);
    // The parts and the separators between them make up the whole text.
    Check(joined + static_cast<size_t>(count) * strlen(pattern) == strlen(text));
    if (count == 0) {
        Check(parts[0] == text);
        free(parts);
    } else {
        FreeStringArray(parts, entries);
    }
    IsStringMatched(text, static_cast<int>(strlen(text)), pattern,
                    static_cast<int>(strlen(pattern)));
    ConvertStringToInt(text);
}

void ReadDates(const char *text) {
    KelDateTime *value = ConvertStringToKelDateTime(text);
    if (value != nullptr) {
        free(KelDateTimeToString(AddToKelDateTime(value, 0xFFFFFFFFu, KEL_UNIT_MONTHS)));
        free(KelDateTimeToString(SubtractFromKelDateTime(value, 0xFFFFFFFFu, KEL_UNIT_WEEKS)));
        FreeKelDateTime(value);
    }
    FreeKelDateTime(ConvertStringToKelGenDateTime(text));
    free(ParseDateTime(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string input(reinterpret_cast<const char *>(data), size);
    input = input.substr(0, strnlen(input.c_str(), input.size()));  // up to a NUL
    size_t cut = input.find('\n');
    std::string text = input.substr(0, cut);
    std::string pattern = cut == std::string::npos ? ":" : input.substr(cut + 1);
    ScanAndSplit(text.c_str(), pattern.c_str());
    ReadDates(text.c_str());
    return 0;
}
