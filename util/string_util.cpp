#include "util/string_util.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "agent/log.h"

namespace {

int FoldAsciiUpper(int byte) {
    return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte;
}

// The two comparisons differ only in how a byte is read before subtracting.
template <class Fold>
int Compare(const char *a, const char *b, Fold fold) {
    if (a == nullptr || b == nullptr) {
        return a == b ? 0 : (a == nullptr ? -1 : 1);
    }
    for (size_t i = 0;; ++i) {
        int x = fold(static_cast<signed char>(a[i]));
        int y = fold(static_cast<signed char>(b[i]));
        if (x != y) {
            return static_cast<int8_t>(x - y);
        }
        if (x == 0) {
            return 0;
        }
    }
}

}  // namespace

int AllocateAndSetString(char **target, const char *source) {
    if (target == nullptr) {
        LogError("AllocateAndSetString : target is NULL\n");
        return 0;
    }
    if (source == nullptr) {
        *target = nullptr;
        LogError("AllocateAndSetString : source text is NULL\n");
        return 0;
    }
    *target = strdup(source);
    return *target != nullptr ? STRING_COPY_OK : STRING_COPY_NO_MEMORY;
}

int AllocateAndSetNString(char **target, const char *source, int length) {
    if (target == nullptr) {
        LogError("AllocateAndSetNString : target is NULL\n");
        return 0;
    }
    *target = nullptr;
    if (length < 0 || (source == nullptr && length > 0)) {
        LogError("AllocateAndSetNString : invalid source or length %d\n", length);
        return 0;
    }
    char *copy = static_cast<char *>(malloc(static_cast<size_t>(length) + 1));
    if (copy == nullptr) {
        LogError("Unable to allocate memory\n");
        return STRING_COPY_NO_MEMORY;
    }
    if (length > 0) {
        memcpy(copy, source, static_cast<size_t>(length));
    }
    copy[length] = '\0';
    *target = copy;
    return STRING_COPY_OK;
}

int ReallocateAndSetString(char **target, const char *source, int length) {
    LogTrace("\n\t@@@@@ Inside ReallocateAndSetString() @@@@@ \n");
    if (target != nullptr) {
        free(*target);
        *target = nullptr;
    }
    return AllocateAndSetNString(target, source, length);
}

void *CopyBytes(void *target, const void *source, int length) {
    if (target != nullptr && source != nullptr && length > 0) {
        memmove(target, source, static_cast<size_t>(length));
    }
    return target;
}

int GetStringLength(const char *text) {
    return text == nullptr ? 0 : static_cast<int>(strlen(text));
}

int CompareStrings(const char *a, const char *b) {
    return Compare(a, b, [](int byte) { return byte; });
}

int CompareStringsIgnoreCase(const char *a, const char *b) {
    return Compare(a, b, FoldAsciiUpper);
}

char *ReverseString(char *text, int length) {
    if (text != nullptr && length > 1) {
        std::reverse(text, text + length);
    }
    return text;
}

int ConvertStringToInt(const char *text) {
    if (text == nullptr) {
        LogError("ConvertStringToInt : text is NULL\n");
        return -1;
    }
    const char *p = text;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    // Unsigned arithmetic: the value wraps in 32 bits instead of overflowing.
    uint32_t value = 0;
    for (; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') {
            return -1;
        }
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

int ConvertToInteger(const unsigned char *bytes, int length) {
    LogTrace("\n\t@@@@@ Inside ConvertToInteger() @@@@@ \n");
    if (length < 0 || length > 4 || (bytes == nullptr && length > 0)) {
        return -1;
    }
    if (length == 0) {
        return 0;
    }
    // The first byte carries the sign; the others are plain digits base 256.
    uint32_t value =
        static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(bytes[0])));
    for (int i = 1; i < length; ++i) {
        value = (value << 8) | bytes[i];
    }
    return static_cast<int32_t>(value);
}
