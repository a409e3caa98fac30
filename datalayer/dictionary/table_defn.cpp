#include "datalayer/dictionary/table_defn.h"

#include <cstdlib>
#include <cstring>

#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"

namespace {

// A copy of text, or NULL for NULL; ok turns false when a copy fails.
char *CopyOrNull(const char *text, bool &ok) {
    if (text == nullptr) {
        return nullptr;
    }
    char *copy = strdup(text);
    ok = ok && copy != nullptr;
    return copy;
}

uint8_t StoredType(uint8_t dataType, int32_t maxSize) {
    // Long character columns are text columns.
    if ((dataType == KEL_SQL_CHAR || dataType == KEL_SQL_VARCHAR) && maxSize >= 256) {
        return KEL_SQL_TEXT;
    }
    return dataType;
}

}  // namespace

ColumnDefn *CreateColumnDefn(const char *columnName, uint8_t dataType, const char *defaultText,
                             int32_t defaultTextLength, uint8_t isUnique, const char *generatorName,
                             const char *description, int32_t maxSize, uint8_t isNullable,
                             AllowedValues *allowedValues) {
    if (columnName == nullptr) {
        return nullptr;
    }
    auto *column = static_cast<ColumnDefn *>(calloc(1, sizeof(ColumnDefn)));
    if (column == nullptr) {
        return nullptr;
    }
    bool ok = true;
    column->columnName = CopyOrNull(columnName, ok);
    column->dataType = StoredType(dataType, maxSize);
    if (defaultText != nullptr) {
        int32_t length = defaultTextLength;
        column->defaultValue = ConvertStringToColumnValue(defaultText, &length, dataType);
        column->defaultValueLength = column->defaultValue != nullptr ? length : 0;
    }
    column->description = CopyOrNull(description, ok);
    column->generatorName = CopyOrNull(generatorName, ok);
    if (!ok) {
        FreeColumnDefn(column);  // allowedValues not yet taken over
        return nullptr;
    }
    column->maxSize = maxSize;
    column->isUnique = isUnique;
    column->isNullable = isNullable;
    column->allowedValues = allowedValues;
    return column;
}

TableDefn *CreateTableDefn(const char *tableName, const char *description, Vector *columnVect,
                           ConstraintDefn *constraintDefn) {
    if (tableName == nullptr) {
        return nullptr;
    }
    auto *definition = static_cast<TableDefn *>(calloc(1, sizeof(TableDefn)));
    if (definition == nullptr) {
        return nullptr;
    }
    bool ok = true;
    definition->tableName = CopyOrNull(tableName, ok);
    definition->description = CopyOrNull(description, ok);
    if (!ok) {
        free(definition->tableName);
        free(definition->description);
        free(definition);
        return nullptr;
    }
    definition->columnVect = columnVect;
    definition->constraintDefn = constraintDefn;
    return definition;
}

ConstraintDefn *CreateConstraintDefn(void) {
    return static_cast<ConstraintDefn *>(calloc(1, sizeof(ConstraintDefn)));
}

ForeignKeyDefn *CreateForeignKeyDefn(const char *localColumn, const char *referenceColumn,
                                     const char *referenceTable, uint8_t onDeleteCascade,
                                     uint8_t isBidirectional) {
    auto *pair = static_cast<ForeignKeyDefn *>(calloc(1, sizeof(ForeignKeyDefn)));
    if (pair == nullptr) {
        return nullptr;
    }
    bool ok = true;
    pair->localColumn = CopyOrNull(localColumn, ok);
    pair->referenceColumn = CopyOrNull(referenceColumn, ok);
    pair->referenceTable = CopyOrNull(referenceTable, ok);
    if (!ok) {
        free(pair->localColumn);
        free(pair->referenceColumn);
        free(pair->referenceTable);
        free(pair);
        return nullptr;
    }
    pair->onDeleteCascade = onDeleteCascade;
    pair->isBidirectional = isBidirectional;
    return pair;
}

int AddForeignKeyDefn(ConstraintDefn *constraints, ForeignKeyDefn *pair) {
    if (constraints == nullptr || pair == nullptr) {
        return 0;
    }
    if (constraints->foreignKeyVect == nullptr) {
        constraints->foreignKeyVect = CreateVector();
        if (constraints->foreignKeyVect == nullptr) {
            return 0;
        }
    }
    return AddElementValue(constraints->foreignKeyVect, pair);
}

AllowedValues *CreateAllowedValues(const char *const *texts, int count, uint8_t isRange) {
    if (count < 0 || (texts == nullptr && count > 0) || (isRange && count != 2)) {
        return nullptr;
    }
    auto *allowed = static_cast<AllowedValues *>(calloc(1, sizeof(AllowedValues)));
    if (allowed == nullptr) {
        return nullptr;
    }
    allowed->isRange = isRange ? 1 : 0;
    allowed->values = static_cast<char **>(calloc(static_cast<size_t>(count) + 1, sizeof(char *)));
    bool ok = allowed->values != nullptr;
    for (int i = 0; ok && i < count; ++i) {
        ok = texts[i] != nullptr && (allowed->values[i] = strdup(texts[i])) != nullptr;
    }
    if (!ok) {
        FreeAllowedValues(allowed);
        return nullptr;
    }
    return allowed;
}

void FreeAllowedValues(AllowedValues *allowedValues) {
    if (allowedValues == nullptr) {
        return;
    }
    if (allowedValues->values != nullptr) {
        if (allowedValues->isRange) {
            free(allowedValues->values[0]);
            free(allowedValues->values[1]);
        } else {
            for (char **value = allowedValues->values; *value != nullptr; ++value) {
                free(*value);
            }
        }
        free(allowedValues->values);
    }
    free(allowedValues);
}

void FreeColumnDefn(ColumnDefn *column) {
    if (column == nullptr) {
        return;
    }
    free(column->columnName);
    FreeColumnValue(column->defaultValue, column->dataType);
    free(column->description);
    free(column->generatorName);
    FreeAllowedValues(column->allowedValues);
    free(column);
}

void FreeColumnDefns(Vector *columnVect) {
    if (columnVect == nullptr) {
        return;
    }
    for (VectorNode *node = columnVect->head; node != nullptr; node = node->next) {
        FreeColumnDefn(static_cast<ColumnDefn *>(node->element));
    }
    FreeVector(columnVect);
}

void FreeConstraintDefn(ConstraintDefn *constraints) {
    if (constraints == nullptr) {
        return;
    }
    for (int32_t i = 0; constraints->pkColumns != nullptr && i < constraints->pkColumnCount; ++i) {
        free(constraints->pkColumns[i]);
    }
    free(constraints->pkColumns);
    if (constraints->foreignKeyVect != nullptr) {
        for (VectorNode *node = constraints->foreignKeyVect->head; node != nullptr;
             node = node->next) {
            auto *pair = static_cast<ForeignKeyDefn *>(node->element);
            free(pair->localColumn);
            free(pair->referenceColumn);
            free(pair->referenceTable);
            free(pair);
        }
        FreeVector(constraints->foreignKeyVect);
        free(constraints->foreignKeyVect);
    }
    free(constraints);
}

void FreeTableDefnRecord(TableDefn *definition) {
    if (definition == nullptr) {
        return;
    }
    free(definition->tableName);
    free(definition->description);
    if (definition->columnVect != nullptr) {
        FreeColumnDefns(definition->columnVect);
        free(definition->columnVect);
    }
    FreeConstraintDefn(definition->constraintDefn);
    free(definition);
}
