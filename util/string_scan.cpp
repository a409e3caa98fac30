#include "util/string_scan.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "agent/log.h"

namespace {

// Runs the pattern scan over text and calls found(start) for each occurrence
// in order; found returns false to stop the scan. After a completion the byte
// that follows is examined afresh, so a stopped scan and a resumed one on the
// rest of the text find the same occurrences.
template <class Found>
void ScanPattern(const char *text, const char *pattern, Found found) {
    size_t patternLength = strlen(pattern);
    if (patternLength == 0) {
        return;
    }
    size_t matched = 0;
    size_t i = 0;
    for (; text[i] != '\0'; ++i) {
        if (matched == patternLength) {
            if (!found(i - patternLength)) {
                return;
            }
            matched = 0;
        }
        matched = text[i] == pattern[matched] ? matched + 1 : 0;
    }
    if (matched == patternLength) {
        found(i - patternLength);
    }
}

char *CopyRange(const char *from, size_t length) {
    char *copy = static_cast<char *>(malloc(length + 1));
    if (copy != nullptr) {
        memcpy(copy, from, length);
        copy[length] = '\0';
    }
    return copy;
}

}  // namespace

char *SubString(const char *text, const char *pattern) {
    LogTrace("\n\t@@@@@ Inside SubString() @@@@@ \n");
    if (text == nullptr || pattern == nullptr) {
        return nullptr;
    }
    return const_cast<char *>(strstr(text, pattern));
}

int FindSubString(const char *text, const char *pattern) {
    LogTrace("\n\t@@@@@ Inside FindSubString() @@@@@ \n");
    return SubString(text, pattern) != nullptr;
}

int GetIndex(const char *bytes, int count, int value) {
    LogTrace("\n\t@@@@@ Inside GetIndex() @@@@@ \n");
    if (bytes == nullptr || count < 1) {
        return -1;
    }
    const void *at = memchr(bytes, value, static_cast<size_t>(count));
    return at == nullptr ? -1 : static_cast<int>(static_cast<const char *>(at) - bytes);
}

int CountOccurrences(const char *text, const char *pattern) {
    if (text == nullptr || pattern == nullptr) {
        return -1;
    }
    int count = 0;
    ScanPattern(text, pattern, [&count](size_t) {
        ++count;
        return true;
    });
    return count;
}

int GetSubStringIndex(const char *text, const char *pattern) {
    if (text == nullptr || pattern == nullptr) {
        return -1;
    }
    size_t index = 0;
    ScanPattern(text, pattern, [&index](size_t start) {
        index = start;
        return false;
    });
    return static_cast<int>(index);
}

char *GetTextBefore(const char *text, const char *pattern) {
    if (text == nullptr || pattern == nullptr) {
        return nullptr;
    }
    return CopyRange(text, static_cast<size_t>(GetSubStringIndex(text, pattern)));
}

char *GetTextAfter(const char *text, const char *pattern) {
    if (text == nullptr || pattern == nullptr) {
        return nullptr;
    }
    size_t length = strlen(text);
    size_t from = static_cast<size_t>(GetSubStringIndex(text, pattern)) + strlen(pattern);
    if (from > length) {
        from = length;
    }
    return CopyRange(text + from, length - from);
}

char **SplitString(const char *text, const char *separator) {
    if (text == nullptr) {
        return nullptr;
    }
    // One scan finds every cut; each part is then copied once (cutting the
    // rest again and again would copy the tail once per separator).
    std::vector<size_t> starts;
    try {
        if (separator != nullptr) {
            ScanPattern(text, separator, [&starts](size_t start) {
                starts.push_back(start);
                return true;
            });
        }
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    size_t parts = starts.size() + 1;
    auto **array = static_cast<char **>(calloc(parts + 1, sizeof(char *)));
    if (array == nullptr) {
        return nullptr;
    }
    if (starts.empty()) {
        array[0] = const_cast<char *>(text);
        return array;
    }
    size_t separatorLength = strlen(separator);
    size_t from = 0;
    for (size_t k = 0; k < parts; ++k) {
        size_t to = k < starts.size() ? starts[k] : strlen(text);
        array[k] = CopyRange(text + from, to - from);
        if (array[k] == nullptr) {
            FreeStringArray(array, static_cast<int>(k));
            return nullptr;
        }
        from = to + separatorLength;
    }
    return array;
}

int IsStringMatched(const char *bytes, int length, const char *candidate, int candidateLength) {
    LogTrace("\n\t@@@@@ Inside IsStringMatched() @@@@@ \n");
    if (bytes == nullptr || length < 0 || candidateLength < 0 ||
        (candidate == nullptr && candidateLength > 0)) {
        return 0;
    }
    // The pieces are compared where they stand; nothing is copied.
    int pieceStart = 0;
    for (int i = 0; i <= length; ++i) {
        if (i < length && bytes[i] != ',') {
            continue;
        }
        if (i - pieceStart == candidateLength &&
            (candidateLength == 0 ||
             memcmp(bytes + pieceStart, candidate, static_cast<size_t>(candidateLength)) == 0)) {
            return 1;
        }
        pieceStart = i + 1;
    }
    return 0;
}

void FreeStringArray(char **array, int count) {
    LogTrace("\n\t@@@@@ Inside FreeStringArray() @@@@@ \n");
    if (array == nullptr) {
        return;
    }
    int16_t entries = static_cast<int16_t>(count);
    for (int16_t i = 0; i < entries; ++i) {
        free(array[i]);
    }
    free(array);
}
