#include "datalayer/memstore/result_set.h"

#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "agent/log.h"
#include "util/kel_datetime.h"

namespace {

// Column type codes whose cells print as numbers or as date-time texts.
constexpr uint8_t kFirstNumericType = 1;
constexpr uint8_t kLastNumericType = 10;
constexpr uint8_t kFirstDateType = 16;
constexpr uint8_t kLastDateType = 18;

// Appends entry to the list that starts at first; the first entry keeps the
// last one so that building a large result is linear.
template <class Entry>
Entry *Append(Entry *first, Entry *entry) {
    if (first == nullptr) {
        entry->last = entry;
        return entry;
    }
    Entry *last = first->last != nullptr ? first->last : first;
    while (last->next != nullptr) {
        last = last->next;
    }
    last->next = entry;
    first->last = entry;
    return first;
}

int FindColumn(const char *name, const ResultSet *set) {
    if (name == nullptr || set == nullptr || set->columns == nullptr) {
        return -1;
    }
    for (int32_t i = 0; i < set->columnCount; ++i) {
        if (set->columns[i].name != nullptr && strcasecmp(set->columns[i].name, name) == 0) {
            return i;
        }
    }
    return -1;
}

// The value of a numeric cell as a signed 32-bit integer: integers of 1, 2
// and 4 bytes by value (widened by their signedness), the 8-byte and
// floating types by their first four bytes.
int32_t NumericValue(const ResultSetCell *cell, uint8_t type) {
    static const uint8_t kWidth[] = {0, 1, 1, 2, 2, 4, 4, 4, 4, 4, 4};
    unsigned char bytes[4] = {0, 0, 0, 0};
    size_t width = kWidth[type];
    memcpy(bytes, cell->data, cell->length < width ? cell->length : width);
    switch (type) {
        case 1:
            return static_cast<int8_t>(bytes[0]);
        case 2:
            return bytes[0];
        case 3: {
            int16_t v;
            memcpy(&v, bytes, sizeof v);
            return v;
        }
        case 4: {
            uint16_t v;
            memcpy(&v, bytes, sizeof v);
            return v;
        }
        default: {
            int32_t v;
            memcpy(&v, bytes, sizeof v);
            return v;
        }
    }
}

void PrintCell(const ResultSetCell *cell, uint8_t type) {
    if (cell->data == nullptr) {
        LogDebug("NULL\t");
    } else if (type >= kFirstNumericType && type <= kLastNumericType) {
        LogDebug("%-d\t", NumericValue(cell, type));
    } else if (type >= kFirstDateType && type <= kLastDateType) {
        // A date cell always holds a whole record, whatever its recorded length.
        char *text = KelDateTimeToString(reinterpret_cast<const KelDateTime *>(cell->data));
        LogDebug("%-s\t", text != nullptr ? text : "NULL");
        free(text);
    } else {
        LogDebug("%-s\t", reinterpret_cast<const char *>(cell->data));
    }
}

}  // namespace

ResultSetCell *AppendResultSetCell(ResultSetCell *cells, uint32_t length, const void *data) {
    auto *cell = static_cast<ResultSetCell *>(calloc(1, sizeof(ResultSetCell)));
    if (cell == nullptr) {
        return nullptr;
    }
    if (data != nullptr) {
        cell->data = static_cast<unsigned char *>(malloc(size_t{length} + 1));
        if (cell->data == nullptr) {
            free(cell);
            return nullptr;
        }
        memcpy(cell->data, data, length);
        cell->data[length] = 0;
        cell->length = length;
    }
    return Append(cells, cell);
}

ResultSetCell *AppendResultSetCellTakingData(ResultSetCell *cells, uint32_t length,
                                             unsigned char *data) {
    auto *cell = static_cast<ResultSetCell *>(calloc(1, sizeof(ResultSetCell)));
    if (cell == nullptr) {
        return nullptr;
    }
    cell->data = data;
    cell->length = data != nullptr ? length : 0;
    return Append(cells, cell);
}

ResultSetRow *NewPackedResultSetRow(int32_t cellCount, const size_t *storageSizes) {
    if (cellCount < 0 || (cellCount > 0 && storageSizes == nullptr)) {
        return nullptr;
    }
    // Data start on 8-byte boundaries: a value may hold a double or a record.
    auto align = [](size_t n) { return (n + 7) & ~size_t{7}; };
    size_t header =
        align(sizeof(ResultSetRow) + sizeof(ResultSetCell) * static_cast<size_t>(cellCount));
    size_t total = header;
    for (int32_t i = 0; i < cellCount; ++i) {
        total += align(storageSizes[i]);
    }
    // Not zeroed: every field is set below and every value is written whole
    // by the caller, so clearing the block would only cost time.
    auto *block = static_cast<unsigned char *>(malloc(total));
    if (block == nullptr) {
        return nullptr;
    }
    auto *row = reinterpret_cast<ResultSetRow *>(block);
    auto *cells = reinterpret_cast<ResultSetCell *>(block + sizeof(ResultSetRow));
    unsigned char *data = block + header;
    for (int32_t i = 0; i < cellCount; ++i) {
        cells[i].length = 0;
        cells[i].data = storageSizes[i] > 0 ? data : nullptr;
        cells[i].next = i + 1 < cellCount ? &cells[i + 1] : nullptr;
        cells[i].last = nullptr;
        data += align(storageSizes[i]);
    }
    if (cellCount > 0) {
        cells[0].last = &cells[cellCount - 1];
    }
    row->cells = cellCount > 0 ? cells : nullptr;
    row->next = nullptr;
    row->last = nullptr;
    row->packed = 1;
    return row;
}

ResultSetRow *AppendPackedResultSetRow(ResultSetRow *rows, ResultSetRow *row) {
    return row != nullptr ? Append(rows, row) : rows;
}

ResultSetRow *AppendResultSetRow(ResultSetRow *rows, ResultSetCell *cells) {
    auto *row = static_cast<ResultSetRow *>(calloc(1, sizeof(ResultSetRow)));
    if (row == nullptr) {
        return nullptr;
    }
    row->cells = cells;
    return Append(rows, row);
}

ResultSet *CreateResultSetOfCount(ResultSetRow *rows, int32_t rowCount, ResultSetColumn *columns,
                                  int32_t columnCount) {
    if (columnCount < 0 || rowCount < 0) {
        return nullptr;
    }
    auto *set = static_cast<ResultSet *>(calloc(1, sizeof(ResultSet)));
    if (set == nullptr) {
        return nullptr;
    }
    set->columnCount = columnCount;
    set->columns = columns;
    set->rows = rows;
    set->rowCount = rowCount;
    return set;
}

ResultSet *CreateResultSet(ResultSetRow *rows, ResultSetColumn *columns, int32_t columnCount) {
    int32_t rowCount = 0;
    for (ResultSetRow *row = rows; row != nullptr; row = row->next) {
        ++rowCount;
    }
    return CreateResultSetOfCount(rows, rowCount, columns, columnCount);
}

ResultSetRow *GotoNextResultSetRow(ResultSet *set) {
    if (set == nullptr) {
        return nullptr;
    }
    set->cursor = set->cursor == nullptr ? set->rows : set->cursor->next;
    return set->cursor;
}

void ResetResultSetCursor(ResultSet *set) {
    if (set != nullptr) {
        set->cursor = nullptr;
    }
}

unsigned char *GetResultSetValueByName(const char *name, uint32_t *length, const ResultSet *set) {
    if (length != nullptr) {
        *length = 0;
    }
    int column = FindColumn(name, set);
    if (column < 0 || set->cursor == nullptr) {
        return nullptr;
    }
    ResultSetCell *cell = set->cursor->cells;
    for (int i = 0; i < column && cell != nullptr; ++i) {
        cell = cell->next;
    }
    if (cell == nullptr) {
        return nullptr;
    }
    if (length != nullptr) {
        *length = cell->length;
    }
    return cell->data;
}

uint8_t GetResultSetColumnType(const char *name, const ResultSet *set) {
    int column = FindColumn(name, set);
    return column < 0 ? 0 : set->columns[column].type;
}

const char *GetResultSetColumnName(int index, const ResultSet *set) {
    if (set == nullptr || set->columns == nullptr || index < 0 || index >= set->columnCount) {
        return nullptr;
    }
    return set->columns[index].name;
}

void PrintResultSet(const ResultSet *set) {
    if (set == nullptr) {
        return;
    }
    for (int32_t i = 0; i < set->columnCount && set->columns != nullptr; ++i) {
        LogDebug("%-s\t", set->columns[i].name != nullptr ? set->columns[i].name : "");
    }
    LogDebug("\n");
    for (const ResultSetRow *row = set->rows; row != nullptr; row = row->next) {
        int32_t i = 0;
        for (const ResultSetCell *cell = row->cells; cell != nullptr; cell = cell->next, ++i) {
            uint8_t type =
                i < set->columnCount && set->columns != nullptr ? set->columns[i].type : 0;
            PrintCell(cell, type);
        }
        LogDebug("\n");
    }
}

void FreeResultSetCells(ResultSetCell *cells) {
    while (cells != nullptr) {
        ResultSetCell *next = cells->next;
        free(cells->data);
        free(cells);
        cells = next;
    }
}

void FreeResultSetRows(ResultSetRow *rows) {
    while (rows != nullptr) {
        ResultSetRow *next = rows->next;
        if (!rows->packed) {
            FreeResultSetCells(rows->cells);
        }
        free(rows);
        rows = next;
    }
}

void FreeResultSetColumns(ResultSetColumn *columns, int32_t columnCount) {
    if (columns == nullptr) {
        return;
    }
    for (int32_t i = 0; i < columnCount; ++i) {
        free(columns[i].name);
    }
    free(columns);
}

void FreeResultSet(ResultSet *set) {
    if (set == nullptr) {
        return;
    }
    FreeResultSetColumns(set->columns, set->columnCount);
    FreeResultSetRows(set->rows);
    free(set);
}
