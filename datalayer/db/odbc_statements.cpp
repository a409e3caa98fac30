// The ODBC provider's statements: updates, queries with typed result sets,
// and long binary values streamed in both directions.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "agent/log.h"
#include "datalayer/db/c_boundary.hpp"
#include "datalayer/db/odbc_internal.hpp"
#include "datalayer/db/odbc_provider.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "util/kel_datetime.h"

namespace {

using fw::db::HandleLock;
using fw::db::LogOdbcDiagnostic;
using fw::db::OdbcConnection;
using fw::db::OdbcOf;
using fw::db::StatementGuard;

constexpr size_t kBlobPiece = 1024;
// Columns declared larger than this are read piece by piece instead of into
// a bound buffer.
constexpr SQLULEN kLargestBoundColumn = 8192;
// A UTF-8 character takes up to four bytes; numbers, dates and times need a
// sign, a point or a fraction beyond their declared digits.
constexpr SQLULEN kBytesPerCharacter = 4;
constexpr SQLULEN kBoundSlack = 64;
// Column names: the first buffer, and the most a name may take.
constexpr size_t kFirstNameBuffer = 99;
constexpr size_t kLargestNameBuffer = 32767;

bool Failed(SQLRETURN rc) {
    return !SQL_SUCCEEDED(rc);
}

bool IsLongType(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR:
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return true;
        default:
            return false;
    }
}

struct Column {
    std::string name;
    uint8_t code = 0;
    SQLSMALLINT sqlType = 0;
    bool bound = false;
    bool toSink = false;
    std::vector<char> buffer;
    SQLLEN indicator = 0;
    // The current row's value, read before the row's block is made.
    std::string whole;  // the text of a column read with SQLGetData
    const char *text = nullptr;
    size_t length = 0;
    bool isNull = false;
    unsigned char *converted = nullptr;  // booleans and dates, made apart
    unsigned char number[16];            // a fixed-width value, made once
    int32_t valueLength = 0;
    size_t storage = 0;
};

// The whole character value of a column through SQLGetData, however long.
// False when the driver fails; *isNull for a database NULL.
bool ReadWhole(SQLHSTMT statement, SQLUSMALLINT column, std::string &value, bool &isNull) {
    value.clear();
    isNull = false;
    char piece[4096];
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, piece, sizeof piece, &indicator);
        if (rc == SQL_NO_DATA) {
            return true;
        }
        if (Failed(rc)) {
            return false;
        }
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            return true;
        }
        size_t got = indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof piece)
                         ? sizeof piece - 1
                         : static_cast<size_t>(indicator);
        value.append(piece, got);
        if (rc == SQL_SUCCESS) {
            return true;
        }
    }
}

// Streams a long binary value to the sink, then ends it with an empty call.
void StreamToSink(SQLHSTMT statement, SQLUSMALLINT column, DBChunkSink sink, void *context) {
    unsigned char piece[kBlobPiece];
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(statement, column, SQL_C_BINARY, piece, sizeof piece, &indicator);
        if (Failed(rc) || indicator == SQL_NULL_DATA) {
            break;
        }
        size_t got = indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(sizeof piece)
                         ? sizeof piece
                         : static_cast<size_t>(indicator);
        if (got > 0 && sink != nullptr) {
            sink(piece, static_cast<uint32_t>(got), context);
        }
    }
    if (sink != nullptr) {
        sink(nullptr, 0, context);
    }
}

// The cell value of a column's text; NULL when it cannot be converted.
unsigned char *CellValue(const char *text, size_t length, uint8_t code, int32_t &valueLength) {
    switch (code) {
        case KEL_SQL_BOOLEAN: {
            const char *truth = length == 1 && text[0] == '1' ? "TRUE" : "FALSE";
            valueLength = 0;
            return ConvertStringToColumnValue(truth, &valueLength, KEL_SQL_BOOLEAN);
        }
        case KEL_SQL_DATE:
        case KEL_SQL_TIME:
        case KEL_SQL_DATETIME:
            return ConvertODBCDateTime(text, &valueLength, code);
        default:
            valueLength = static_cast<int32_t>(length);
            return ConvertStringToColumnValue(text, &valueLength, code);
    }
}

// Describes the result's columns and binds those that fit a buffer. Columns
// that are long, or that follow where the driver cannot read unbound columns
// freely, are read with SQLGetData.
bool DescribeColumns(SQLHSTMT statement, SQLSMALLINT count, const OdbcConnection *cell,
                     bool streamBlobs, std::vector<Column> &columns) {
    const SQLUINTEGER needed = SQL_GD_ANY_COLUMN | SQL_GD_BOUND;
    bool mayBind = (cell->getDataExtensions & needed) == needed;
    columns.resize(static_cast<size_t>(count));
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        Column &column = columns[static_cast<size_t>(i - 1)];
        std::vector<SQLCHAR> name(kFirstNameBuffer);
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        SQLRETURN rc;
        for (;;) {
            rc = SQLDescribeCol(statement, static_cast<SQLUSMALLINT>(i), name.data(),
                                static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size,
                                &digits, &nullable);
            // A name that fills the buffer may have been cut (some drivers
            // then give the cut length): it is asked for again, larger.
            if (Failed(rc) || nameLength < static_cast<SQLSMALLINT>(name.size()) - 1 ||
                name.size() >= kLargestNameBuffer) {
                break;
            }
            name.resize(std::min<size_t>(
                kLargestNameBuffer,
                std::max<size_t>(name.size() * 4, static_cast<size_t>(nameLength) + 1)));
        }
        if (Failed(rc)) {
            LogError("SQLDescribeCol failed\n");
            LogOdbcDiagnostic(SQL_HANDLE_STMT, statement);
            return false;
        }
        column.name.assign(reinterpret_cast<const char *>(name.data()));
        column.sqlType = sqlType;
        column.code = GetCodeForType(gv_odbcTypeTable, ODBC_TYPE_TABLE_ROWS, sqlType);
        column.toSink = streamBlobs && column.code == KEL_SQL_BLOB;
        if (!mayBind || column.toSink || IsLongType(sqlType) || size == 0 ||
            size > kLargestBoundColumn) {
            continue;
        }
        column.buffer.resize(size * kBytesPerCharacter + kBoundSlack);
        rc = SQLBindCol(statement, static_cast<SQLUSMALLINT>(i), SQL_C_CHAR, column.buffer.data(),
                        static_cast<SQLLEN>(column.buffer.size()), &column.indicator);
        if (Failed(rc)) {
            LogError("SQLBindCol failed \n");
            LogOdbcDiagnostic(SQL_HANDLE_STMT, statement);
            return false;
        }
        column.bound = true;
    }
    return true;
}

// Takes the current row's text of every column, streaming long binary
// values to the sink. False when a value cannot be read.
bool TakeTexts(SQLHSTMT statement, std::vector<Column> &columns, DBChunkSink sink, void *context) {
    for (size_t i = 0; i < columns.size(); ++i) {
        Column &column = columns[i];
        auto number = static_cast<SQLUSMALLINT>(i + 1);
        column.text = nullptr;
        column.length = 0;
        column.isNull = false;
        if (column.toSink) {
            StreamToSink(statement, number, sink, context);
            column.isNull = true;
        } else if (column.bound && column.indicator == SQL_NULL_DATA) {
            column.isNull = true;
        } else if (column.bound && column.indicator != SQL_NO_TOTAL &&
                   column.indicator < static_cast<SQLLEN>(column.buffer.size())) {
            column.text = column.buffer.data();
            column.length = static_cast<size_t>(column.indicator);
        } else {
            // Unbound, or longer than its buffer (SQLite keeps texts longer
            // than the declared size): read it whole.
            if (!ReadWhole(statement, number, column.whole, column.isNull)) {
                LogError("SQLGetData failed for column %s\n", column.name.c_str());
                LogOdbcDiagnostic(SQL_HANDLE_STMT, statement);
                return false;
            }
            column.text = column.whole.c_str();
            column.length = column.whole.size();
        }
    }
    return true;
}

// Measures every value of the row in its column encoding. Booleans and dates
// are converted apart; the others are converted later straight into the
// row's block. False when a text cannot be converted.
bool MeasureValues(std::vector<Column> &columns, std::vector<size_t> &storage) {
    for (size_t i = 0; i < columns.size(); ++i) {
        Column &column = columns[i];
        column.converted = nullptr;
        column.valueLength = 0;
        column.storage = 0;
        if (!column.isNull) {
            if (column.code == KEL_SQL_BOOLEAN || IsDateColumnType(column.code)) {
                column.converted =
                    CellValue(column.text, column.length, column.code, column.valueLength);
                if (column.converted != nullptr) {
                    column.storage = GetColumnValueStorageSize(column.valueLength, column.code);
                }
            } else if (GetFixedValueLength(column.code) > 0) {
                // Numbers are parsed once, here, and copied into the block.
                column.storage =
                    ConvertStringToColumnValueIn(column.text, &column.valueLength, column.code,
                                                 column.number, sizeof column.number);
            } else {
                column.valueLength = static_cast<int32_t>(column.length);
                column.storage = ConvertStringToColumnValueIn(column.text, &column.valueLength,
                                                              column.code, nullptr, 0);
            }
            if (column.storage == 0) {
                LogError("Cannot convert the value %s of column %s to its type %d\n", column.text,
                         column.name.c_str(), column.code);
                return false;
            }
        }
        storage[i] = column.storage;
    }
    return true;
}

void ReleaseConverted(std::vector<Column> &columns) {
    for (Column &column : columns) {
        free(column.converted);
        column.converted = nullptr;
    }
}

// Reads the current row into one block of cells and values; NULL (nothing
// left allocated) when a value cannot be read or converted, or memory runs
// out.
ResultSetRow *ReadRow(SQLHSTMT statement, std::vector<Column> &columns, DBChunkSink sink,
                      void *context, std::vector<size_t> &storage) {
    storage.resize(columns.size());
    if (!TakeTexts(statement, columns, sink, context) || !MeasureValues(columns, storage)) {
        ReleaseConverted(columns);
        return nullptr;
    }
    ResultSetRow *row = NewPackedResultSetRow(static_cast<int32_t>(columns.size()), storage.data());
    if (row == nullptr) {
        ReleaseConverted(columns);
        return nullptr;
    }
    ResultSetCell *cell = row->cells;
    for (size_t i = 0; i < columns.size(); ++i, cell = cell->next) {
        Column &column = columns[i];
        if (column.isNull) {
            continue;
        }
        if (column.converted != nullptr) {
            CopyColumnValueTo(column.converted, column.valueLength, column.code, cell->data);
        } else if (GetFixedValueLength(column.code) > 0) {
            memcpy(cell->data, column.number, column.storage);
        } else {
            column.valueLength = static_cast<int32_t>(column.length);
            ConvertStringToColumnValueIn(column.text, &column.valueLength, column.code, cell->data,
                                         column.storage);
        }
        cell->length = static_cast<uint32_t>(column.valueLength);
    }
    ReleaseConverted(columns);
    return row;
}

// Builds the result set of an executed statement.
ResultSet *FetchResult(SQLHSTMT statement, const OdbcConnection *cell, bool streamBlobs,
                       DBChunkSink sink, void *context) {
    SQLLEN affected = 0;
    if (Failed(SQLRowCount(statement, &affected))) {
        LogError("No Rows Affected\n");
        return nullptr;
    }
    SQLSMALLINT count = 0;
    if (Failed(SQLNumResultCols(statement, &count))) {
        LogError("SQLNumResultCols Failed\n");
        return nullptr;
    }
    std::vector<Column> columns;
    if (!DescribeColumns(statement, count, cell, streamBlobs, columns)) {
        return nullptr;
    }
    ResultSetRow *rows = nullptr;
    std::vector<size_t> storage;
    int32_t rowCount = 0;
    SQLRETURN rc = SQL_NO_DATA;
    while (count > 0 && SQL_SUCCEEDED(rc = SQLFetch(statement))) {
        ResultSetRow *row = ReadRow(statement, columns, sink, context, storage);
        if (row == nullptr) {
            FreeResultSetRows(rows);
            return nullptr;
        }
        rows = AppendPackedResultSetRow(rows, row);
        ++rowCount;
    }
    // Rows stop at the end of the data; a fetch that fails instead fails the
    // query rather than pass a part of the rows off as the whole.
    if (count > 0 && rc != SQL_NO_DATA) {
        LogError("SQLFetch failed\n");
        LogOdbcDiagnostic(SQL_HANDLE_STMT, statement);
        FreeResultSetRows(rows);
        return nullptr;
    }
    auto *described = static_cast<ResultSetColumn *>(
        calloc(columns.empty() ? 1 : columns.size(), sizeof(ResultSetColumn)));
    bool ok = described != nullptr;
    for (size_t i = 0; ok && i < columns.size(); ++i) {
        described[i].name = strdup(columns[i].name.c_str());
        described[i].type = columns[i].code;
        ok = described[i].name != nullptr;
    }
    ResultSet *set = ok ? CreateResultSetOfCount(rows, rowCount, described, count) : nullptr;
    if (set == nullptr) {
        FreeResultSetColumns(described, count);
        FreeResultSetRows(rows);
    }
    return set;
}

bool AllocateStatement(const OdbcConnection *cell, StatementGuard &statement) {
    if (Failed(SQLAllocStmt(cell->connection, statement.out()))) {
        *statement.out() = SQL_NULL_HSTMT;
        LogError("Allocating Statement Handle failed\n");
        LogOdbcDiagnostic(SQL_HANDLE_DBC, cell->connection);
        return false;
    }
    return true;
}

bool Prepare(StatementGuard &statement, const char *text) {
    if (Failed(SQLPrepare(statement.get(), reinterpret_cast<SQLCHAR *>(const_cast<char *>(text)),
                          SQL_NTS))) {
        LogError("SQLPrepare failed\n");
        LogOdbcDiagnostic(SQL_HANDLE_STMT, statement.get());
        return false;
    }
    return true;
}

// SQL_NO_DATA is how a searched update or delete reports that it changed no
// row: the statement ran.
bool Ran(SQLRETURN rc) {
    return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
}

// The end of an update: whether it ran, and whether the driver can say how
// many rows it changed (the number itself does not matter).
int Finish(StatementGuard &stmt, SQLRETURN executed) {
    if (!Ran(executed)) {
        LogError("SQLExecute failed\n");
        LogOdbcDiagnostic(SQL_HANDLE_STMT, stmt.get());
        return 0;
    }
    SQLLEN rows = 0;
    if (Failed(SQLRowCount(stmt.get(), &rows))) {
        LogError("No Rows Affected \n");
        return 0;
    }
    return 1;
}

}  // namespace

int ODBCExecuteUpdate(ConnectionHandle *handle, const char *statement) {
    return fw::db::Guarded(0, [&]() -> int {
        OdbcConnection *cell = OdbcOf(handle);
        if (cell == nullptr || statement == nullptr) {
            return 0;
        }
        HandleLock lock(handle);
        StatementGuard stmt;
        if (!AllocateStatement(cell, stmt) || !Prepare(stmt, statement)) {
            return 0;
        }
        return Finish(stmt, SQLExecute(stmt.get()));
    });
}

ResultSet *ODBCExecuteQuery(ConnectionHandle *handle, const char *statement) {
    return fw::db::Guarded(static_cast<ResultSet *>(nullptr), [&]() -> ResultSet * {
        LogTrace("Inside ODBCExecuteQuery\n");
        OdbcConnection *cell = OdbcOf(handle);
        if (cell == nullptr || statement == nullptr) {
            return nullptr;
        }
        HandleLock lock(handle);
        StatementGuard stmt;
        if (!AllocateStatement(cell, stmt)) {
            return nullptr;
        }
        if (!Ran(SQLExecDirect(
                stmt.get(), reinterpret_cast<SQLCHAR *>(const_cast<char *>(statement)), SQL_NTS))) {
            LogError("SQLExecDirect failed\n");
            LogOdbcDiagnostic(SQL_HANDLE_STMT, stmt.get());
            return nullptr;
        }
        return FetchResult(stmt.get(), cell, false, nullptr, nullptr);
    });
}

int ODBCExecuteUpdateBlob(ConnectionHandle *handle, const char *statement, DBChunkSource source,
                          void *context) {
    return fw::db::Guarded(0, [&]() -> int {
        LogTrace("Inside ODBCExecuteUpdateBlob\n");
        OdbcConnection *cell = OdbcOf(handle);
        if (cell == nullptr || statement == nullptr || source == nullptr) {
            return 0;
        }
        StatementGuard stmt;
        if (!AllocateStatement(cell, stmt) || !Prepare(stmt, statement)) {
            return 0;
        }
        // The whole value is taken from the source first: drivers such as
        // SQLite's accept pieces only up to the length announced before
        // execution, which a source does not tell.
        std::vector<unsigned char> value;
        std::vector<size_t> pieces;
        const void *data = nullptr;
        uint32_t length = 0;
        while (source(&data, &length, context) != DB_CHUNK_END) {
            if (length > 0 && data != nullptr) {
                auto *bytes = static_cast<const unsigned char *>(data);
                value.insert(value.end(), bytes, bytes + length);
                pieces.push_back(length);
            }
        }
        SQLLEN atExecution = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(value.size()));
        if (Failed(SQLBindParameter(stmt.get(), 1, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                    0, 0, reinterpret_cast<SQLPOINTER>(1), 0, &atExecution))) {
            LogError("SQLBindParameter failed\n");
            LogOdbcDiagnostic(SQL_HANDLE_STMT, stmt.get());
            return 0;
        }
        SQLRETURN rc = SQLExecute(stmt.get());
        while (rc == SQL_NEED_DATA) {
            SQLPOINTER token = nullptr;
            rc = SQLParamData(stmt.get(), &token);
            if (rc != SQL_NEED_DATA) {
                break;
            }
            if (pieces.empty()) {
                // An empty value.
                static unsigned char nothing = 0;
                SQLPutData(stmt.get(), &nothing, 0);
            }
            size_t offset = 0;
            for (size_t piece : pieces) {
                if (Failed(SQLPutData(stmt.get(), value.data() + offset,
                                      static_cast<SQLLEN>(piece)))) {
                    LogError("SQLPutData failed\n");
                    LogOdbcDiagnostic(SQL_HANDLE_STMT, stmt.get());
                    return 0;
                }
                offset += piece;
            }
        }
        return Finish(stmt, rc);
    });
}

ResultSet *ODBCExecuteQueryBlob(ConnectionHandle *handle, const char *statement, DBChunkSink sink,
                                void *context) {
    return fw::db::Guarded(static_cast<ResultSet *>(nullptr), [&]() -> ResultSet * {
        LogTrace("Inside ODBCExecuteQueryBlob\n");
        OdbcConnection *cell = OdbcOf(handle);
        if (cell == nullptr || statement == nullptr) {
            return nullptr;
        }
        StatementGuard stmt;
        if (!AllocateStatement(cell, stmt) || !Prepare(stmt, statement)) {
            return nullptr;
        }
        if (!Ran(SQLExecute(stmt.get()))) {
            LogError("SQLExecute failed\n");
            LogOdbcDiagnostic(SQL_HANDLE_STMT, stmt.get());
            return nullptr;
        }
        return FetchResult(stmt.get(), cell, true, sink, context);
    });
}

unsigned char *ConvertODBCDateTime(const char *text, int32_t *length, uint8_t type) {
    if (text == nullptr) {
        return nullptr;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    KelDateTime *record = nullptr;
    switch (type) {
        case KEL_SQL_DATE:
            if (sscanf(text, "%d-%d-%d", &year, &month, &day) != 3) {
                return nullptr;
            }
            record = static_cast<KelDateTime *>(calloc(1, sizeof(KelDateTime)));
            if (record != nullptr) {
                record->date = CreateKelDate(year, month, day);
            }
            break;
        case KEL_SQL_TIME:
            if (sscanf(text, "%d:%d:%d", &hour, &minute, &second) != 3) {
                return nullptr;
            }
            record = static_cast<KelDateTime *>(calloc(1, sizeof(KelDateTime)));
            if (record != nullptr) {
                record->time = CreateKelTime(hour, minute, second);
            }
            break;
        case KEL_SQL_DATETIME:
            if (sscanf(text, "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second) !=
                6) {
                return nullptr;
            }
            record = CreateKelDateTime(year, month, day, hour, minute, second);
            break;
        default:
            return nullptr;
    }
    if (record == nullptr || (record->date == nullptr && record->time == nullptr)) {
        FreeKelDateTime(record);
        return nullptr;
    }
    unsigned char *value = ColumnValueFromKelDateTime(record);
    if (value != nullptr && length != nullptr) {
        *length = KEL_DATETIME_VALUE_LENGTH;
    }
    return value;
}
