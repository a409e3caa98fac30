#include "datalayer/db/query_dispatch.h"

#include <mutex>

#include "agent/log.h"
#include "datalayer/db/conn_params.h"
#include "datalayer/db/data_source_map.h"
#include "util/string_util.h"
#include "util/vector.h"

namespace {

std::mutex g_generatorLock;
Vector g_generators = {nullptr, 0, nullptr, nullptr};

// The dialect name for a table, or NULL.
const char *DialectFor(const char *tableName) {
    if (IsDSNMapValid() == 1) {
        return GetDatabaseTypeForConnection(GetConnectionNameForTable(tableName));
    }
    return GetDialectName(GetDialectIndex());
}

const QueryGenerator *GeneratorFor(const char *tableName) {
    const char *dialect = DialectFor(tableName);
    return dialect != nullptr ? FindQueryGenerator(dialect) : nullptr;
}

const char *Shown(const char *text) {
    return text != nullptr ? text : "(null)";
}

// The table whose connection decides the dialect of a select: the first
// listed table, else the left table of the first join.
const char *FirstTableOf(const SelectQuery *query) {
    if (query->tables != nullptr && query->tables->head != nullptr) {
        auto *table = static_cast<const SelectTable *>(query->tables->head->element);
        if (table != nullptr && table->tableName != nullptr) {
            return table->tableName;
        }
    }
    if (query->joins != nullptr && query->joins->head != nullptr) {
        auto *join = static_cast<const SelectJoin *>(query->joins->head->element);
        if (join != nullptr) {
            return join->leftTable;
        }
    }
    return nullptr;
}

using RowOperation = char *(*QueryGenerator::*)(const char *, RowObject *);

// An update, insert or delete statement for a row of a table, logged with
// its kind.
char *GenerateForRow(const char *tableName, RowObject *row, RowOperation operation,
                     const char *kind) {
    const QueryGenerator *generator = GeneratorFor(tableName);
    char *text = generator != nullptr && generator->*operation != nullptr
                     ? (generator->*operation)(tableName, row)
                     : nullptr;
    LogDebug("Generated %s Query: %s\n", kind, Shown(text));
    return text;
}

}  // namespace

int RegisterQueryGenerator(const QueryGenerator *generator) {
    if (generator == nullptr) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(g_generatorLock);
    return AddElementValue(&g_generators, const_cast<QueryGenerator *>(generator)) == 1 ? 1 : 0;
}

const QueryGenerator *FindQueryGenerator(const char *name) {
    if (name == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_generatorLock);
    for (VectorNode *node = g_generators.head; node != nullptr; node = node->next) {
        auto *generator = static_cast<const QueryGenerator *>(node->element);
        if (CompareStringsIgnoreCase(generator->name, name) == 0) {
            return generator;
        }
    }
    return nullptr;
}

void FreeQueryGenerators(void) {
    std::lock_guard<std::mutex> guard(g_generatorLock);
    FreeVector(&g_generators);
}

char *GenerateSelectQuery(SelectQuery *query) {
    LogTrace("@@@ Inside GenerateSelectQuery @@@\n");
    if (query == nullptr) {
        return nullptr;
    }
    const char *table = nullptr;
    if (IsDSNMapValid() == 1) {
        table = FirstTableOf(query);
        if (table == nullptr) {
            LogError("No Tables selected in select query.\n");
            return nullptr;
        }
    }
    const QueryGenerator *generator = GeneratorFor(table);
    char *text = generator != nullptr && generator->GenSelectQuery != nullptr
                     ? generator->GenSelectQuery(query)
                     : nullptr;
    LogDebug("Generated Select Query: %s\n", Shown(text));
    return text;
}

char *GenerateUpdateQuery(const char *tableName, RowObject *row) {
    LogTrace("@@@ Inside GenerateUpdateQuery @@@\n");
    return GenerateForRow(tableName, row, &QueryGenerator::GenUpdateQuery, "Update");
}

char *GenerateInsertQuery(const char *tableName, RowObject *row) {
    LogTrace("@@@ Inside GenerateInsertQuery @@@\n");
    return GenerateForRow(tableName, row, &QueryGenerator::GenInsertQuery, "Insert");
}

char *GenerateDeleteQuery(const char *tableName, RowObject *row) {
    LogTrace("@@@ Inside GenerateDeleteQuery @@@\n");
    return GenerateForRow(tableName, row, &QueryGenerator::GenDeleteQuery, "Delete");
}

char *GenerateCreateTableQuery(const char *tableName) {
    LogTrace("@@@ Inside GenerateCreateTableQuery @@@\n");
    const char *dialect = DialectFor(tableName);
    if (dialect == nullptr && IsDSNMapValid() == 1) {
        return nullptr;
    }
    const QueryGenerator *generator = dialect != nullptr ? FindQueryGenerator(dialect) : nullptr;
    char *text = generator != nullptr && generator->GenCreateQuery != nullptr
                     ? generator->GenCreateQuery(tableName)
                     : nullptr;
    LogDebug("Generated Create Table Query: %s\n", Shown(text));
    return text;
}

RowObject *ConvertResultSetToRowObject(ResultSet *resultSet, const char *dialectName,
                                       const char *tableName) {
    LogTrace("@@@ Inside ConvertResultSetToRowObject @@@\n");
    const QueryGenerator *generator = FindQueryGenerator(dialectName);
    if (generator == nullptr || generator->ConvResultsetToRowobject == nullptr) {
        return nullptr;
    }
    return generator->ConvResultsetToRowobject(resultSet, tableName);
}
