#include "datalayer/dictionary/column_value.h"

#include <strings.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "datalayer/dictionary/column_types.h"

namespace {

// A buffer of length bytes plus the zero byte every value ends with.
unsigned char *NewValue(const void *bytes, size_t length) {
    auto *value = static_cast<unsigned char *>(malloc(length + 1));
    if (value != nullptr) {
        if (length > 0) {
            memcpy(value, bytes, length);
        }
        value[length] = 0;
    }
    return value;
}

template <class T>
T Read(const unsigned char *value) {
    T number;
    memcpy(&number, value, sizeof number);
    return number;
}

// Reads an optional sign and digits into an unsigned accumulator of the
// target width (wrapping as the target's arithmetic does); false for any
// other character or no digits.
template <class U>
bool ParseSignedDigits(const char *text, U &magnitude, bool &negative) {
    if (text == nullptr) {
        return false;
    }
    negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    if (*text == '\0') {
        return false;
    }
    magnitude = 0;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') {
            return false;
        }
        magnitude = static_cast<U>(magnitude * 10u + static_cast<U>(*text - '0'));
    }
    return true;
}

// The decimal text of an integer or floating value; empty when type is not
// a number.
bool FormatNumber(const unsigned char *value, uint8_t type, char *out, size_t size) {
    switch (type) {
        case KEL_SQL_TINYINT:
            snprintf(out, size, "%d", static_cast<int>(Read<int8_t>(value)));
            return true;
        case KEL_SQL_UNSIGNED_TINYINT:
            snprintf(out, size, "%u", static_cast<unsigned>(Read<uint8_t>(value)));
            return true;
        case KEL_SQL_SMALLINT:
            snprintf(out, size, "%d", static_cast<int>(Read<int16_t>(value)));
            return true;
        case KEL_SQL_UNSIGNED_SMALLINT:
            snprintf(out, size, "%u", static_cast<unsigned>(Read<uint16_t>(value)));
            return true;
        case KEL_SQL_INT:
            snprintf(out, size, "%d", Read<int32_t>(value));
            return true;
        case KEL_SQL_UNSIGNED_INT:
            snprintf(out, size, "%u", Read<uint32_t>(value));
            return true;
        case KEL_SQL_LONG_INT:
            snprintf(out, size, "%" PRId64, Read<int64_t>(value));
            return true;
        case KEL_SQL_UNSIGNED_LONG_INT:
            snprintf(out, size, "%" PRIu64, Read<uint64_t>(value));
            return true;
        case KEL_SQL_FLOAT:
        case KEL_SQL_REAL:
            snprintf(out, size, "%f", static_cast<double>(Read<float>(value)));
            return true;
        case KEL_SQL_DOUBLE:
            snprintf(out, size, "%f", Read<double>(value));
            return true;
        default:
            return false;
    }
}

bool IsTextType(uint8_t type) {
    return (type >= KEL_SQL_DECIMAL && type <= KEL_SQL_VARCHAR) ||
           (type >= KEL_SQL_BLOB && type <= KEL_SQL_TEXT);
}

}  // namespace

namespace {

// An optional sign and digits in the arithmetic of Signed's width; 0 for
// anything else.
template <class Signed, class Unsigned>
Signed ParseSigned(const char *text) {
    Unsigned magnitude = 0;
    bool negative = false;
    if (!ParseSignedDigits(text, magnitude, negative)) {
        return 0;
    }
    return static_cast<Signed>(negative ? Unsigned{0} - magnitude : magnitude);
}

}  // namespace

int32_t ParseDecimalInt(const char *text) {
    return ParseSigned<int32_t, uint32_t>(text);
}

int64_t ParseDecimalInt64(const char *text) {
    return ParseSigned<int64_t, uint64_t>(text);
}

double ParseDecimalDouble(const char *text) {
    if (text == nullptr) {
        return 0;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    double whole = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        whole = whole * 10 + (*text - '0');
    }
    double fraction = 0;
    double scale = 1;
    if (*text == '.') {
        for (++text; *text >= '0' && *text <= '9'; ++text) {
            fraction = fraction * 10 + (*text - '0');
            scale *= 10;
        }
    }
    if (*text != '\0') {
        return 0;
    }
    double result = whole + fraction / scale;
    return negative ? -result : result;
}

int IsDateColumnType(uint8_t type) {
    return type >= KEL_SQL_DATE && type <= KEL_SQL_DATETIME;
}

namespace {

// A date value is one block: the KelDateTime record, then the KelDate and
// KelTime it points at, then the zero byte every value ends with. Freeing the
// block frees everything; a copy must re-aim the pointers at itself.
struct DateValueBlock {
    KelDateTime record;
    KelDate date;
    KelTime time;
    unsigned char zero;
};

unsigned char *NewDateValue(const KelDate *date, const KelTime *time) {
    auto *block = static_cast<DateValueBlock *>(calloc(1, sizeof(DateValueBlock)));
    if (block == nullptr) {
        return nullptr;
    }
    if (date != nullptr) {
        block->date = *date;
        block->record.date = &block->date;
    }
    if (time != nullptr) {
        block->time = *time;
        block->record.time = &block->time;
    }
    return reinterpret_cast<unsigned char *>(block);
}

}  // namespace

unsigned char *ColumnValueFromKelDateTime(KelDateTime *record) {
    if (record == nullptr) {
        return nullptr;
    }
    unsigned char *value = NewDateValue(record->date, record->time);
    FreeKelDateTime(record);
    return value;
}

namespace {

// Writes bytes and the closing zero byte to out when they fit; returns the
// storage they take.
size_t Emit(const void *bytes, size_t count, unsigned char *out, size_t capacity) {
    if (out != nullptr && count + 1 <= capacity) {
        if (count > 0) {
            memcpy(out, bytes, count);
        }
        out[count] = 0;
    }
    return count + 1;
}

template <class T>
size_t EmitNumber(T number, int32_t *length, unsigned char *out, size_t capacity) {
    if (length != nullptr) {
        *length = static_cast<int32_t>(sizeof number);
    }
    return Emit(&number, sizeof number, out, capacity);
}

size_t EmitDate(const KelDate *date, const KelTime *time, unsigned char *out, size_t capacity) {
    if (out != nullptr && sizeof(DateValueBlock) <= capacity) {
        auto *block = reinterpret_cast<DateValueBlock *>(out);
        memset(block, 0, sizeof *block);
        if (date != nullptr) {
            block->date = *date;
            block->record.date = &block->date;
        }
        if (time != nullptr) {
            block->time = *time;
            block->record.time = &block->time;
        }
    }
    return sizeof(DateValueBlock);
}

}  // namespace

size_t ConvertStringToColumnValueIn(const char *text, int32_t *length, uint8_t type,
                                    unsigned char *out, size_t capacity) {
    if (text == nullptr) {
        return 0;
    }
    switch (type) {
        case KEL_SQL_TINYINT:
        case KEL_SQL_UNSIGNED_TINYINT:
            return EmitNumber(static_cast<uint8_t>(ParseDecimalInt(text)), length, out, capacity);
        case KEL_SQL_SMALLINT:
        case KEL_SQL_UNSIGNED_SMALLINT:
            return EmitNumber(static_cast<uint16_t>(ParseDecimalInt(text)), length, out, capacity);
        case KEL_SQL_INT:
        case KEL_SQL_UNSIGNED_INT:
            return EmitNumber(static_cast<uint32_t>(ParseDecimalInt(text)), length, out, capacity);
        case KEL_SQL_LONG_INT:
        case KEL_SQL_UNSIGNED_LONG_INT:
            return EmitNumber(static_cast<uint64_t>(ParseDecimalInt64(text)), length, out,
                              capacity);
        case KEL_SQL_FLOAT:
        case KEL_SQL_REAL:
            return EmitNumber(static_cast<float>(ParseDecimalDouble(text)), length, out, capacity);
        case KEL_SQL_DOUBLE:
            return EmitNumber(ParseDecimalDouble(text), length, out, capacity);
        case KEL_SQL_CHAR:
        case KEL_SQL_VARCHAR:
        case KEL_SQL_TEXT: {
            size_t count = strlen(text);
            if (length != nullptr) {
                *length = static_cast<int32_t>(count);
            }
            return Emit(text, count, out, capacity);
        }
        case KEL_SQL_DATE:
        case KEL_SQL_TIME:
        case KEL_SQL_DATETIME: {
            KelDateTime *record = ConvertStringToKelDateTime(text);
            if (record == nullptr) {
                return 0;
            }
            size_t size = EmitDate(record->date, record->time, out, capacity);
            FreeKelDateTime(record);
            if (length != nullptr) {
                *length = KEL_DATETIME_VALUE_LENGTH;
            }
            return size;
        }
        case KEL_SQL_BOOLEAN: {
            uint8_t flag;
            if (strcasecmp(text, "TRUE") == 0) {
                flag = 1;
            } else if (strcasecmp(text, "FALSE") == 0) {
                flag = 0;
            } else {
                return 0;
            }
            return EmitNumber(flag, length, out, capacity);
        }
        case KEL_SQL_NOT_SUPPORTED_TYPE:
        case KEL_SQL_DECIMAL:
        case KEL_SQL_NUMERIC:
        case KEL_SQL_BLOB:
        case KEL_SQL_CLOB: {
            // The caller's length may run past the text's zero byte (binary data).
            size_t take =
                (length == nullptr || *length < 0) ? strlen(text) : static_cast<size_t>(*length);
            if (length != nullptr) {
                *length = static_cast<int32_t>(take);
            }
            return Emit(text, take, out, capacity);
        }
        default:
            return 0;
    }
}

unsigned char *ConvertStringToColumnValue(const char *text, int32_t *length, uint8_t type) {
    int32_t measured = length != nullptr ? *length : -1;
    size_t size = ConvertStringToColumnValueIn(text, &measured, type, nullptr, 0);
    if (size == 0) {
        return nullptr;
    }
    auto *value = static_cast<unsigned char *>(malloc(size));
    if (value == nullptr) {
        return nullptr;
    }
    int32_t written = length != nullptr ? *length : -1;
    ConvertStringToColumnValueIn(text, &written, type, value, size);
    if (length != nullptr) {
        *length = written;
    }
    return value;
}

size_t GetColumnValueStorageSize(int32_t length, uint8_t type) {
    if (IsDateColumnType(type)) {
        return sizeof(DateValueBlock);
    }
    return static_cast<size_t>(length > 0 ? length : 0) + 1;
}

void CopyColumnValueTo(const unsigned char *value, int32_t length, uint8_t type,
                       unsigned char *out) {
    if (IsDateColumnType(type)) {
        const auto *record = reinterpret_cast<const KelDateTime *>(value);
        EmitDate(record->date, record->time, out, sizeof(DateValueBlock));
        return;
    }
    size_t count = static_cast<size_t>(length > 0 ? length : 0);
    Emit(value, count, out, count + 1);
}

char *ConvertColumnValueToString(const unsigned char *value, uint8_t type) {
    if (value == nullptr) {
        return strdup("NULL");
    }
    char number[64];
    if (FormatNumber(value, type, number, sizeof number)) {
        return strdup(number);
    }
    if (IsTextType(type)) {
        return strdup(reinterpret_cast<const char *>(value));
    }
    if (IsDateColumnType(type)) {
        return KelDateTimeToString(reinterpret_cast<const KelDateTime *>(value));
    }
    if (type == KEL_SQL_BOOLEAN) {
        return strdup(value[0] == 1 ? "'t'" : "'f'");
    }
    return nullptr;
}

char *ConvertColumnValueToPoolString(const unsigned char *value, uint8_t type, MemPool *pool) {
    if (value == nullptr || pool == nullptr) {
        return nullptr;
    }
    char number[64];
    if (FormatNumber(value, type, number, sizeof number)) {
        return MemPoolStrdup(pool, number);
    }
    if (type >= KEL_SQL_DECIMAL && type <= KEL_SQL_VARCHAR) {
        return MemPoolStrdup(pool, reinterpret_cast<const char *>(value));
    }
    if (type == KEL_SQL_BOOLEAN) {
        return MemPoolStrdup(pool, value[0] == 1 ? "'t'" : "'f'");
    }
    return nullptr;
}

unsigned char *CopyColumnValue(const unsigned char *value, int32_t length, uint8_t type) {
    if (value == nullptr) {
        return nullptr;
    }
    if (IsDateColumnType(type)) {
        const auto *record = reinterpret_cast<const KelDateTime *>(value);
        return NewDateValue(record->date, record->time);
    }
    return NewValue(value, length > 0 ? static_cast<size_t>(length) : 0);
}

void FreeColumnValue(unsigned char *value, uint8_t type) {
    (void)type;  // every value, dates included, is one block
    free(value);
}
