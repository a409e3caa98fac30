#include "datalayer/dictionary/table_registry.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "agent/log.h"
#include "util/folded_name.hpp"

namespace {

Vector g_tableDefnList = {nullptr, 0, nullptr, nullptr};

// Name -> first definition of that name (ignoring case), so a lookup costs
// the same with ten tables as with a thousand and copies nothing. Kept beside
// the list by every call that changes it.
fw::util::FoldedNameMap<TableDefn *> &Index() {
    static auto *index = new fw::util::FoldedNameMap<TableDefn *>();
    return *index;
}

// Rebuilds the index entry for name from the list: the first match wins.
void ReindexName(const std::string &name) {
    Index().erase(name);
    for (VectorNode *node = g_tableDefnList.head; node != nullptr; node = node->next) {
        auto *definition = static_cast<TableDefn *>(node->element);
        if (strcasecmp(definition->tableName, name.c_str()) == 0) {
            Index().emplace(name, definition);
            return;
        }
    }
}

ColumnDefn *FindColumn(const char *tableName, const char *columnName) {
    if (tableName == nullptr || columnName == nullptr) {
        LogError("Cannot fetch default value;\n");
        return nullptr;
    }
    TableDefn *definition = GetTableDefn(tableName);
    if (definition == nullptr) {
        LogError("No definition found for table %s\n", tableName);
        return nullptr;
    }
    if (definition->columnVect == nullptr) {
        return nullptr;
    }
    for (VectorNode *node = definition->columnVect->head; node != nullptr; node = node->next) {
        auto *column = static_cast<ColumnDefn *>(node->element);
        if (strcmp(column->columnName, columnName) == 0) {
            return column;
        }
    }
    return nullptr;
}

}  // namespace

void InitTableDefnList(void) {
    InitVector(&g_tableDefnList, nullptr);
    Index().clear();
}

void FreeTableDefnList(void) {
    while (g_tableDefnList.head != nullptr) {
        auto *definition = static_cast<TableDefn *>(g_tableDefnList.head->element);
        DeleteElementAt(&g_tableDefnList, 0);
        FreeTableDefnRecord(definition);
    }
    Index().clear();
}

Vector *GetTableDefnList(void) {
    return &g_tableDefnList;
}

int AddTableDefn(TableDefn *definition) {
    if (definition == nullptr || definition->tableName == nullptr) {
        return 0;
    }
    try {
        Index().reserve(Index().size() + 1);
        if (!AddElementValue(&g_tableDefnList, definition)) {
            return 0;
        }
        Index().emplace(definition->tableName, definition);  // keeps an earlier one of that name
        return 1;
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

TableDefn *GetTableDefn(const char *tableName) {
    if (g_tableDefnList.count == 0) {
        return nullptr;
    }
    if (tableName == nullptr) {
        LogError("Table Name is NULL.\n");
        return nullptr;
    }
    auto found = Index().find(std::string_view(tableName));
    return found != Index().end() ? found->second : nullptr;
}

void FreeTableDefn(const char *tableName) {
    TableDefn *definition = tableName != nullptr ? GetTableDefn(tableName) : nullptr;
    if (definition == nullptr) {
        return;
    }
    std::string name = definition->tableName;
    DeleteLCDVector(&g_tableDefnList, definition);
    FreeTableDefnRecord(definition);
    ReindexName(name);
}

ColumnDefn *GetColumnDefnEntry(const char *tableName, const char *columnName) {
    LogTrace("@@@@ Inside GetColumnDefnEntry @@@@\n");
    return FindColumn(tableName, columnName);
}

uint8_t GetColumnType(const char *tableName, const char *columnName) {
    LogTrace("@@@@ Inside GetColumnDefnEntry @@@@\n");
    ColumnDefn *column = FindColumn(tableName, columnName);
    return column != nullptr ? column->dataType : 0;
}

unsigned char *GetDefaultValue(const char *tableName, const char *columnName, int *found) {
    LogTrace("@@@@ Inside GetDefaultValue @@@@\n");
    ColumnDefn *column = FindColumn(tableName, columnName);
    if (column == nullptr) {
        return nullptr;
    }
    if (found != nullptr) {
        *found = 1;
    }
    return column->defaultValue;
}

ForeignKeyDefn *GetForeignKeyDefn(const TableDefn *definition, const char *localColumn) {
    if (definition == nullptr || definition->constraintDefn == nullptr) {
        LogError("No constraint Definition \n");
        return nullptr;
    }
    if (definition->constraintDefn->foreignKeyVect == nullptr) {
        LogError("No Foreignkey Entries in Definition \n");
        return nullptr;
    }
    if (localColumn == nullptr) {
        return nullptr;
    }
    for (VectorNode *node = definition->constraintDefn->foreignKeyVect->head; node != nullptr;
         node = node->next) {
        auto *pair = static_cast<ForeignKeyDefn *>(node->element);
        if (pair->localColumn != nullptr && strcasecmp(pair->localColumn, localColumn) == 0) {
            return pair;
        }
    }
    return nullptr;
}

void PrintTableDefn(const TableDefn *definition) {
    if (definition == nullptr || definition->columnVect == nullptr ||
        definition->columnVect->count == 0) {
        return;
    }
    LogDebug("Table Name : %s\n", definition->tableName);
    LogDebug("Description: %s\n",
             definition->description != nullptr ? definition->description : "");
    LogDebug("---------------------------------------\n\n");
    for (VectorNode *node = definition->columnVect->head; node != nullptr; node = node->next) {
        auto *column = static_cast<const ColumnDefn *>(node->element);
        LogDebug("Column Name : %s\n", column->columnName);
        LogDebug("Column Type : %d\n", column->dataType);
        LogDebug("Unique Flag : %s\n", column->isUnique ? "TRUE" : "FALSE");
        LogDebug("Description : %s\n", column->description != nullptr ? column->description : "");
        LogDebug("---------------------------------------\n\n");
    }
    const ConstraintDefn *constraints = definition->constraintDefn;
    if (constraints == nullptr) {
        return;
    }
    for (int32_t i = 0; constraints->pkColumns != nullptr && i < constraints->pkColumnCount; ++i) {
        LogDebug("Primary key : %s\n\n",
                 constraints->pkColumns[i] != nullptr ? constraints->pkColumns[i] : "");
    }
    if (constraints->foreignKeyVect == nullptr || constraints->foreignKeyVect->count == 0) {
        return;
    }
    LogDebug("Foreign key Constraints\n");
    LogDebug("********************************\n");
    for (VectorNode *node = constraints->foreignKeyVect->head; node != nullptr; node = node->next) {
        auto *pair = static_cast<const ForeignKeyDefn *>(node->element);
        LogDebug("Column Name : %s\n", pair->localColumn);
        LogDebug("Ref Column  : %s\n", pair->referenceColumn);
        LogDebug("Tablename : %s\n", pair->referenceTable);
    }
    LogDebug("********************************\n");
}

void PrintAllTableDefns(void) {
    for (VectorNode *node = g_tableDefnList.head; node != nullptr; node = node->next) {
        PrintTableDefn(static_cast<const TableDefn *>(node->element));
    }
}
