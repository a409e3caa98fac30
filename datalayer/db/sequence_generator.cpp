#include "datalayer/db/sequence_generator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "agent/address_lock.h"
#include "agent/log.h"
#include "datalayer/db/conn_params.h"
#include "datalayer/db/connection_pool.h"
#include "datalayer/db/db_statements.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/dictionary/table_registry.h"
#include "datalayer/memstore/hash_table.h"
#include "datalayer/memstore/result_set.h"

namespace {

struct Batch {
    int32_t next;  // the number handed out next
    int32_t last;  // the batch's last number; used up when last < next
};

// A reservation races only with an insert of the same new sequence by
// another process; the loser's insert fails on the key and it tries again.
constexpr int kReservationAttempts = 3;

HashTable g_batches = {nullptr, 0};
// Guards the table's structure (entries are added while numbers are handed
// out from others); each batch has its own address lock besides.
std::mutex g_batchesGuard;

HashEntry *FindEntry(const char *name) {
    std::lock_guard<std::mutex> lock(g_batchesGuard);
    return g_batches.buckets != nullptr ? HashTableGetEntry(&g_batches, name) : nullptr;
}

// Keeps a reserved batch: an existing one is refilled in place, so that a
// thread holding its entry's lock keeps a valid record.
bool StoreBatch(const char *name, int32_t first, int32_t last) {
    std::lock_guard<std::mutex> lock(g_batchesGuard);
    if (g_batches.buckets == nullptr) {
        return false;
    }
    auto *batch = static_cast<Batch *>(HashTableGet(&g_batches, name));
    if (batch == nullptr) {
        batch = static_cast<Batch *>(malloc(sizeof(Batch)));
        if (batch == nullptr || !HashTablePut(&g_batches, name, batch)) {
            free(batch);
            LogError("Memory allocation Failed\n");
            return false;
        }
    }
    batch->next = first;
    batch->last = last;
    return true;
}

// Names go into the statements quoted; a quote inside is doubled.
std::string Quoted(const char *name) {
    std::string quoted;
    for (const char *p = name; *p != '\0'; ++p) {
        quoted += *p;
        if (*p == '\'') {
            quoted += '\'';
        }
    }
    return quoted;
}

// CURRENTBATCHEND of the set's first row, whatever integer or decimal type
// the engine reports it as, read as 32 bits. false when there is no row.
bool ReadBatchEnd(ResultSet *set, int32_t &end) {
    if (GotoNextResultSetRow(set) == nullptr) {
        return false;
    }
    uint32_t length = 0;
    unsigned char *value = GetResultSetValueByName("CURRENTBATCHEND", &length, set);
    if (value == nullptr) {
        return false;
    }
    uint8_t type = GetResultSetColumnType("CURRENTBATCHEND", set);
    if (type == KEL_SQL_LONG_INT || type == KEL_SQL_UNSIGNED_LONG_INT) {
        int64_t wide;
        memcpy(&wide, value, sizeof wide);
        end = static_cast<int32_t>(wide);
        return true;
    }
    char *text = ConvertColumnValueToString(value, type);
    if (text == nullptr) {
        return false;
    }
    // Decimal engines may answer "600.000000"; the integer part counts.
    char *point = strchr(text, '.');
    if (point != nullptr) {
        *point = '\0';
    }
    end = ParseDecimalInt(text);
    free(text);
    return true;
}

enum class Reservation { kReserved, kFailed, kRetry };

// Moves the stored end forward and reads it back inside one transaction:
// the update locks the sequence's row until the commit, so two processes
// never read the same end. A sequence without a row gets (name, 300).
Reservation Reserve(ConnectionHandle *handle, const char *seqName, int32_t &first, int32_t &last) {
    std::string name = Quoted(seqName);
    if (!BeginDBTransaction(handle)) {
        LogError("UpdateSeqGen : Cannot begin the transaction for sequence %s \n", seqName);
        return Reservation::kFailed;
    }
    std::string update = "update SeqGenState set CURRENTBATCHEND = CURRENTBATCHEND + " +
                         std::to_string(SEQUENCE_BATCH_SIZE) + " where SEQNAME = '" + name + "';";
    LogTrace("Update Query %s\n", update.c_str());
    if (!ExecuteUpdate(handle, update.c_str())) {
        LogError("ExecuteUpdate Failed for update\n");
        RollbackDBTransaction(handle);
        return Reservation::kFailed;
    }
    std::string select = "select * from SeqGenState where SEQNAME = '" + name + "';";
    LogTrace("Query %s\n", select.c_str());
    ResultSet *result = ExecuteQuery(handle, select.c_str());
    if (result == nullptr) {
        LogError("Table doesn't Exists for UpdateSeqGen\n");
        RollbackDBTransaction(handle);
        return Reservation::kFailed;
    }
    int32_t end = 0;
    bool hasRow = ReadBatchEnd(result, end);
    FreeResultSet(result);
    if (!hasRow) {
        std::string insert = "insert into SeqGenState values ('" + name + "'," +
                             std::to_string(SEQUENCE_BATCH_SIZE) + ");";
        LogTrace("Insert Query %s\n", insert.c_str());
        if (!ExecuteUpdate(handle, insert.c_str())) {
            LogError("ExecuteUpdate Failed for insert\n");
            RollbackDBTransaction(handle);
            return Reservation::kRetry;
        }
        end = SEQUENCE_BATCH_SIZE;
    }
    if (!CommitDBTransaction(handle)) {
        LogError("UpdateSeqGen : Cannot commit the reservation for sequence %s \n", seqName);
        return Reservation::kRetry;
    }
    first = end - SEQUENCE_BATCH_SIZE + 1;
    last = end;
    return Reservation::kReserved;
}

int32_t HandOut(const char *tableName, const char *name) {
    HashEntry *entry = FindEntry(name);
    if (entry == nullptr) {
        LogTrace("Cannot generate ID for key %s.\n", name);
        return -1;
    }
    LockObject(entry);
    for (;;) {
        auto *batch = static_cast<Batch *>(entry->value);
        if (batch == nullptr) {
            LogError("No Value for AutoId key %s \n", name);
            UnlockObject(entry);
            return -1;
        }
        if (batch->last < batch->next) {
            if (!UpdateSeqGen(tableName, name)) {
                UnlockObject(entry);
                return -1;
            }
            continue;
        }
        int32_t number = batch->next++;
        LogTrace("AutoGenerated Value %d \n", number);
        UnlockObject(entry);
        return number;
    }
}

}  // namespace

int InitSequenceGenerator(void) {
    std::lock_guard<std::mutex> lock(g_batchesGuard);
    return HashTableInit(&g_batches, 50);
}

void FreeSequenceGenerator(void) {
    std::lock_guard<std::mutex> lock(g_batchesGuard);
    if (g_batches.buckets == nullptr) {
        return;
    }
    for (int32_t i = 0; i < g_batches.bucketCount; ++i) {
        for (HashEntry *entry = g_batches.buckets[i]; entry != nullptr; entry = entry->next) {
            free(entry->value);
            entry->value = nullptr;
        }
    }
    HashTableFree(&g_batches);
}

int SequenceGenerator(void) {
    LogTrace("@@@ Inside SequenceGenerator @@@\n");
    for (VectorNode *node = GetTableDefnList()->head; node != nullptr; node = node->next) {
        auto *table = static_cast<TableDefn *>(node->element);
        if (table->columnVect == nullptr || table->columnVect->count == 0) {
            return 0;
        }
        for (VectorNode *c = table->columnVect->head; c != nullptr; c = c->next) {
            auto *column = static_cast<ColumnDefn *>(c->element);
            if (column->generatorName != nullptr) {
                LockObject(&g_batches);
                UpdateSeqGen(table->tableName, column->generatorName);
                UnlockObject(&g_batches);
            }
        }
    }
    return 1;
}

int UpdateSeqGen(const char *tableName, const char *seqName) {
    LogTrace("@@@ Inside UpdateSeqGen @@@\n");
    if (seqName == nullptr) {
        return 0;
    }
    try {
        // Without a table the map has no entry, and the single default
        // connection is used.
        const char *connection =
            tableName != nullptr ? GetConnectionNameForTable(tableName) : nullptr;
        ConnectionHandle *handle = GetDBConnection(connection);
        if (handle == nullptr) {
            LogError("Table doesn't Exists for UpdateSeqGen\n");
            return 0;
        }
        int32_t first = 0;
        int32_t last = 0;
        Reservation outcome = Reservation::kRetry;
        for (int attempt = 0; attempt < kReservationAttempts && outcome == Reservation::kRetry;
             ++attempt) {
            outcome = Reserve(handle, seqName, first, last);
        }
        ReleaseDBConnection(connection);
        return outcome == Reservation::kReserved && StoreBatch(seqName, first, last) ? 1 : 0;
    } catch (const std::bad_alloc &) {
        LogError("Memory allocation Failed\n");
        return 0;
    }
}

int32_t GenerateID(const char *tableName, const ColumnDefn *column) {
    LogTrace("@@@ Inside GenerateID @@@\n");
    if (column == nullptr || column->generatorName == nullptr) {
        return -1;
    }
    LogTrace("AutoId Key %s\n", column->generatorName);
    return HandOut(tableName, column->generatorName);
}

int32_t GenerateInstanceID(void) {
    LogTrace("@@@ Inside GenerateInstanceID @@@\n");
    return HandOut(nullptr, INSTANCE_ID_SEQUENCE);
}
