#include "datalayer/memstore/table_data.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "agent/log.h"
#include "datalayer/db/sequence_generator.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/dictionary/table_registry.h"
#include "datalayer/memstore/notification.h"
#include "util/folded_name.hpp"

namespace {

// The registry: the list in creation order, and beside it an index from name
// to the first table of that name, both changed under one mutex.
struct Registry {
    std::mutex mutex;
    Vector list = {nullptr, 0, nullptr, nullptr};
    fw::util::FoldedNameMap<TableData *> index;
};

Registry &TheRegistry() {
    static auto *registry = new Registry();  // lives as long as the process
    return *registry;
}

void Trace(const char *operation) {
    LogTrace("@@@ Inside %s @@@\n", operation);
}

int32_t ColumnIndex(const TableData *table, const char *columnName) {
    if (table->definition == nullptr || table->definition->columnVect == nullptr) {
        return -1;
    }
    int32_t i = 0;
    for (VectorNode *node = table->definition->columnVect->head;
         node != nullptr && i < table->columnCount; node = node->next, ++i) {
        if (strcasecmp(static_cast<ColumnDefn *>(node->element)->columnName, columnName) == 0) {
            return i;
        }
    }
    return -1;
}

bool IsPrimaryKeyColumn(const TableData *table, const char *columnName) {
    const ConstraintDefn *constraints =
        table->definition != nullptr ? table->definition->constraintDefn : nullptr;
    for (int32_t i = 0; constraints != nullptr && constraints->pkColumns != nullptr &&
                        i < constraints->pkColumnCount;
         ++i) {
        if (constraints->pkColumns[i] != nullptr &&
            strcasecmp(constraints->pkColumns[i], columnName) == 0) {
            return true;
        }
    }
    return false;
}

// The value a generated column receives: the number in the column's own
// type (4 bytes for an INT, 8 for a BIGINT, its text for a text column).
unsigned char *GeneratedValue(const char *tableName, const ColumnDefn *column, int32_t &length) {
    int32_t number = GenerateID(tableName, column);
    if (number < 0) {
        LogError("AddNewRow : no number for column %s of table %s from sequence %s \n",
                 column->columnName, tableName, column->generatorName);
        return nullptr;
    }
    char text[16];
    snprintf(text, sizeof text, "%d", number);
    length = static_cast<int32_t>(strlen(text));
    return ConvertStringToColumnValue(text, &length, column->dataType);
}

// Fills the generated and default values a new row lacks. On failure the
// values filled so far are taken back out and the row is as it was.
bool FillMissingValues(const char *tableName, const TableData *table, RowObject *row) {
    bool filled[1024] = {};
    bool *marks = table->columnCount <= 1024
                      ? filled
                      : static_cast<bool *>(calloc(static_cast<size_t>(table->columnCount), 1));
    if (marks == nullptr) {
        return false;
    }
    bool ok = true;
    VectorNode *node = table->definition->columnVect->head;
    for (int32_t i = 0; ok && node != nullptr && i < table->columnCount; ++i, node = node->next) {
        const auto *column = static_cast<const ColumnDefn *>(node->element);
        if (row->values[i] != nullptr) {
            continue;
        }
        int32_t length = 0;
        unsigned char *value = nullptr;
        if (column->generatorName != nullptr) {
            value = GeneratedValue(tableName, column, length);
            ok = value != nullptr;
        }
        if (ok && value == nullptr && column->defaultValue != nullptr) {
            length = column->defaultValueLength;
            value = CopyColumnValue(column->defaultValue, length, column->dataType);
            ok = value != nullptr;
        }
        if (value != nullptr) {
            row->values[i] = value;
            row->lengths[i] = length;
            marks[i] = true;
        }
    }
    if (!ok) {
        for (int32_t i = 0; i < table->columnCount; ++i) {
            if (marks[i]) {
                free(row->values[i]);
                row->values[i] = nullptr;
                row->lengths[i] = 0;
            }
        }
    }
    if (marks != filled) {
        free(marks);
    }
    return ok;
}

bool Register(TableData *table) {
    Registry &registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (registry.index.find(std::string_view(table->name)) != registry.index.end()) {
        return false;
    }
    registry.index.reserve(registry.index.size() + 1);
    if (!AddElementValue(&registry.list, table)) {
        return false;
    }
    registry.index.emplace(table->name, table);
    return true;
}

}  // namespace

ColumnDefn *GetTableColumn(const TableData *table, int32_t index) {
    if (table == nullptr || table->definition == nullptr || index < 0 ||
        index >= table->columnCount) {
        return nullptr;
    }
    VectorNode *node =
        GetNthElement(table->definition->columnVect, index, table->definition->columnVect->head);
    return node != nullptr ? static_cast<ColumnDefn *>(node->element) : nullptr;
}

int CreateTable(const char *tableName) {
    Trace("CreateTable");
    TableDefn *definition = tableName != nullptr ? GetTableDefn(tableName) : nullptr;
    if (definition == nullptr) {
        return 0;
    }
    auto *table = static_cast<TableData *>(calloc(1, sizeof(TableData)));
    if (table == nullptr || (table->name = strdup(tableName)) == nullptr) {
        free(table);
        return 0;
    }
    table->kind = TABLE_KIND_TABLE;
    table->definition = definition;
    table->columnCount = definition->columnVect != nullptr ? definition->columnVect->count : 0;
    try {
        if (Register(table)) {
            return 1;
        }
    } catch (const std::bad_alloc &) {
    }
    free(table->name);
    free(table);
    return 0;
}

int RegisterTableData(TableData *table) {
    if (table == nullptr || table->name == nullptr) {
        return 0;
    }
    try {
        return Register(table) ? 1 : 0;
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

int UnregisterTableData(TableData *table) {
    Registry &registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (table == nullptr || !DeleteLCDVector(&registry.list, table)) {
        return 0;
    }
    auto found = registry.index.find(std::string_view(table->name));
    if (found != registry.index.end() && found->second == table) {
        registry.index.erase(found);
    }
    return 1;
}

TableData *GetTableDataByName(const char *tableName) {
    Trace("GetTableDataByName");
    if (tableName == nullptr) {
        return nullptr;
    }
    Registry &registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto found = registry.index.find(std::string_view(tableName));
    return found != registry.index.end() ? found->second : nullptr;
}

Vector *GetTableDataList(void) {
    return &TheRegistry().list;
}

int AddNewRow(const char *tableName, RowObject *row) {
    Trace("AddNewRow");
    TableData *table = GetTableDataByName(tableName);
    if (table == nullptr || row == nullptr || table->columnCount == 0) {
        return 0;
    }
    if (table->kind == TABLE_KIND_TABLE && !FillMissingValues(tableName, table, row)) {
        return 0;
    }
    row->next = nullptr;
    if (table->lastRow != nullptr) {
        table->lastRow->next = row;
    } else {
        table->firstRow = row;
    }
    table->lastRow = row;
    ++table->rowCount;
    SendNotification(row, tableName);
    return 1;
}

int UpdateRowObject(const char *tableName, RowObject *row, const char *columnName,
                    const unsigned char *value, int32_t length) {
    Trace("UpdateRowObject");
    TableData *table = GetTableDataByName(tableName);
    if (table == nullptr) {
        return 0;
    }
    if (row == nullptr) {
        LogError("\t@@@@@ rowPtr passed as parameter in NULL @@@@@ \n");
        return 0;
    }
    if (columnName == nullptr) {
        return 0;
    }
    if (table->kind == TABLE_KIND_TABLE && IsPrimaryKeyColumn(table, columnName)) {
        LogError("@@@ UpdateRowObject Failed as PrimaryKey is being updated @@@\n");
        return 0;
    }
    int32_t index = ColumnIndex(table, columnName);
    if (index < 0) {
        return 0;
    }
    unsigned char *copy = nullptr;
    if (value != nullptr) {
        copy = CopyColumnValue(value, length, GetTableColumn(table, index)->dataType);
        if (copy == nullptr) {
            return 0;
        }
    }
    unsigned char *old = row->values[index];
    row->values[index] = copy;
    row->lengths[index] = copy != nullptr ? length : 0;
    row->flags |= ROW_MODIFIED;
    SendNotification(row, tableName);
    free(old);
    return 1;
}

int DeleteRowObject(const char *tableName, RowObject *row) {
    Trace("DeleteRowObject");
    if (row == nullptr) {
        return 0;
    }
    if (row->flags & ROW_FROM_DB) {
        row->flags |= ROW_DELETED;  // kept for the database delete
        return 1;
    }
    TableData *table = GetTableDataByName(tableName);
    if (table == nullptr) {
        return 0;
    }
    RowObject *previous = nullptr;
    RowObject *current = table->firstRow;
    while (current != nullptr && current != row) {
        previous = current;
        current = current->next;
    }
    if (current == nullptr) {
        return 0;
    }
    (previous != nullptr ? previous->next : table->firstRow) = row->next;
    if (table->lastRow == row) {
        table->lastRow = previous;
    }
    --table->rowCount;
    row->next = nullptr;
    SendNotification(row, tableName);
    FreeRowObject(row, table->columnCount);
    return 1;
}

int DeleteAllTableRowObjects(const char *tableName) {
    Trace("DeleteAllTableRowObjects");
    if (tableName == nullptr) {
        LogError("\t tableName NULL \n");
        return 0;
    }
    TableData *table = GetTableDataByName(tableName);
    if (table == nullptr) {
        LogError("\t GetTableDataByName returned NULL \n");
        return 0;
    }
    if (table->kind == TABLE_KIND_CUSTOM_VIEW || table->columnCount == 0) {
        return 0;
    }
    for (RowObject *row = table->firstRow; row != nullptr;) {
        RowObject *next = row->next;
        DeleteRowObject(tableName, row);
        row = next;
    }
    return 1;
}

void FreeTableData(TableData *table) {
    LogTrace("\t@@@@@ Inside FreeTableData() @@@@@\n");
    if (table == nullptr) {
        return;
    }
    LogTrace("\t %s is being freed\n", table->name);
    for (RowObject *row = table->firstRow; row != nullptr;) {
        RowObject *next = row->next;
        FreeRowObject(row, table->columnCount);
        row = next;
    }
    table->firstRow = table->lastRow = nullptr;
    table->rowCount = 0;
    free(table->name);
    table->name = nullptr;
}
