/*
 * table_defn.h - table definitions: columns, keys, foreign keys and allowed
 * values, as the data dictionary describes them.
 *
 * Conventions
 * - Every text and list in these records is owned by the record that holds
 *   it; a TableDefn owns its columns (columnVect, a Vector of ColumnDefn*) and
 *   its ConstraintDefn. Definitions do not change after they are built.
 * - Constructors return a new record from malloc, or NULL; when they return
 *   NULL nothing they made is left allocated, and what they would have taken
 *   over stays the caller's.
 * - Default values are column values (column_value.h) of the column's type.
 * - Nothing here locks; the records are built on one thread and only read
 *   afterwards.
 */
#ifndef FW_DATALAYER_DICTIONARY_TABLE_DEFN_H
#define FW_DATALAYER_DICTIONARY_TABLE_DEFN_H

#include <stdint.h>

#include "platform/c_api.h"
#include "util/vector.h"

FW_BEGIN_DECLS

typedef struct AllowedValues {
    /* isRange 0: the allowed values, then a NULL end entry. isRange 1:
     * exactly two texts, the lower and the upper bound. */
    char **values;
    uint8_t isRange;
} AllowedValues;

typedef struct ColumnDefn {
    char *columnName;
    uint8_t dataType;
    unsigned char *defaultValue; /* a column value of dataType, or NULL */
    int32_t defaultValueLength;
    uint8_t isUnique;
    char *generatorName; /* the sequence that numbers this column, or NULL */
    char *description;
    int32_t maxSize; /* 0 when not given, -1 when not a number */
    uint8_t isNullable;
    AllowedValues *allowedValues;
} ColumnDefn;

/* One column pair of a foreign key; a key over several columns is several
 * consecutive pairs with the same referenceTable. */
typedef struct ForeignKeyDefn {
    char *localColumn;
    char *referenceColumn;
    char *referenceTable;
    uint8_t onDeleteCascade;
    uint8_t isBidirectional;
} ForeignKeyDefn;

typedef struct ConstraintDefn {
    char **pkColumns; /* primary-key column names in key order, or NULL */
    int32_t pkColumnCount;
    Vector *foreignKeyVect; /* of ForeignKeyDefn*, made by the first AddForeignKeyDefn */
} ConstraintDefn;

typedef struct TableDefn {
    char *tableName;
    char *description;
    Vector *columnVect; /* of ColumnDefn*, in document order */
    ConstraintDefn *constraintDefn;
} TableDefn;

/* A new column. NULL without a name. KEL_SQL_CHAR and KEL_SQL_VARCHAR with a
 * maxSize of 256 or more are stored as KEL_SQL_TEXT. defaultText (its first
 * defaultTextLength bytes where the type takes bytes) is converted for
 * dataType as given; a text that type cannot take (a BOOLEAN other than TRUE
 * or FALSE) leaves the column without a default. allowedValues is taken over
 * on success. */
FW_API ColumnDefn *CreateColumnDefn(const char *columnName, uint8_t dataType,
                                    const char *defaultText, int32_t defaultTextLength,
                                    uint8_t isUnique, const char *generatorName,
                                    const char *description, int32_t maxSize, uint8_t isNullable,
                                    AllowedValues *allowedValues);

/* A new table definition that takes over columnVect (a Vector from
 * CreateVector) and constraintDefn on success. NULL without a name. */
FW_API TableDefn *CreateTableDefn(const char *tableName, const char *description,
                                  Vector *columnVect, ConstraintDefn *constraintDefn);

/* A new empty constraint record (no key, no foreign keys). */
FW_API ConstraintDefn *CreateConstraintDefn(void);

/* A new column pair with copies of the texts. */
FW_API ForeignKeyDefn *CreateForeignKeyDefn(const char *localColumn, const char *referenceColumn,
                                            const char *referenceTable, uint8_t onDeleteCascade,
                                            uint8_t isBidirectional);

/* Appends pair to the constraints' foreign keys (made on first use), which
 * take it over: 1; 0 for NULL arguments or when memory runs out (pair stays
 * the caller's). */
FW_API int AddForeignKeyDefn(ConstraintDefn *constraints, ForeignKeyDefn *pair);

/* A new AllowedValues holding copies of count texts: a list (with its NULL end
 * entry), or with isRange a range of exactly two. NULL when memory runs out,
 * for a range not of two texts, or for a NULL text. */
FW_API AllowedValues *CreateAllowedValues(const char *const *texts, int count, uint8_t isRange);

/* Free what the records own. FreeColumnDefns frees every column of the list
 * (and empties it, the Vector record itself stays); FreeConstraintDefn frees
 * the record and what it holds; FreeAllowedValues and FreeColumnDefn one
 * record each; FreeTableDefnRecord a whole definition that is not (or no
 * longer) in the registry. NULL is ignored. */
FW_API void FreeColumnDefns(Vector *columnVect);
FW_API void FreeColumnDefn(ColumnDefn *column);
FW_API void FreeConstraintDefn(ConstraintDefn *constraints);
FW_API void FreeAllowedValues(AllowedValues *allowedValues);
FW_API void FreeTableDefnRecord(TableDefn *definition);

FW_END_DECLS

#endif /* FW_DATALAYER_DICTIONARY_TABLE_DEFN_H */
