/*
 * select_query.h - the structured form of one SQL select statement.
 *
 * Conventions
 * - Every part of a query, texts included, lives in the MemPool the query
 *   owns; nothing inside a query is freed piece by piece. A "list" is a
 *   Vector whose elements point at the records named beside it.
 * - The records are read field by field by the SQL generators and by the
 *   generator dispatch (query_dispatch.h).
 */
#ifndef FW_DATALAYER_SQL_SELECT_QUERY_H
#define FW_DATALAYER_SQL_SELECT_QUERY_H

#include <stdint.h>

#include "datalayer/memstore/mem_pool.h"
#include "platform/c_api.h"
#include "util/vector.h"

FW_BEGIN_DECLS

typedef struct SelectColumn {
    char *tableName;   /* or NULL */
    char *tableAlias;  /* or NULL; written as the prefix in place of tableName */
    char *columnName;  /* NULL only together with a function */
    char *columnAlias; /* or NULL */
    int32_t number;    /* the caller's; not read by the generators */
    uint8_t dataType;  /* a column type code */
    uint8_t function;  /* aggregate function index; 0 for a plain column */
} SelectColumn;

typedef struct CriteriaCondition {
    SelectColumn *column; /* NULL for AND and OR nodes */
    unsigned char *value; /* column value encoding, with a zero byte after it; or NULL */
    int32_t valueLength;
    uint8_t operatorIndex; /* index into the operator table */
    struct CriteriaCondition *left;
    struct CriteriaCondition *right;
    struct CriteriaCondition *parent;
} CriteriaCondition;

typedef struct SelectJoin {
    char *leftTable; /* written only for the first join of a query */
    char *leftAlias;
    char *rightTable;
    char *rightAlias;
    uint8_t joinType;     /* 0 inner join, 1 left join */
    Vector *leftColumns;  /* list of SelectColumn, or NULL */
    Vector *rightColumns; /* list of SelectColumn paired by position, or NULL */
} SelectJoin;

typedef struct SelectGroupBy {
    Vector *columns;           /* list of SelectColumn */
    CriteriaCondition *having; /* or NULL */
} SelectGroupBy;

typedef struct SelectSort {
    Vector *columns;   /* list of SelectColumn */
    uint8_t ascending; /* non-zero ascending, 0 descending */
} SelectSort;

typedef struct SelectTable {
    char *tableName;
    char *alias; /* or NULL */
} SelectTable;

typedef struct SelectQuery {
    MemPool *pool;               /* owned */
    Vector *columns;             /* list of SelectColumn; empty means "select *" */
    Vector *joins;               /* list of SelectJoin */
    CriteriaCondition *criteria; /* or NULL */
    SelectGroupBy *groupBy;      /* or NULL */
    SelectSort *sort;            /* or NULL */
    Vector *tables;              /* list of SelectTable */
    int32_t limit;               /* 0: no limit */
    int32_t offset;              /* 0: none */
} SelectQuery;

FW_END_DECLS

#endif /* FW_DATALAYER_SQL_SELECT_QUERY_H */
