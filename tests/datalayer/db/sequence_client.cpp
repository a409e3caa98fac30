// sequence_client: a second process for the sequence tests. It connects with
// the connection string it is given, draws count numbers from the sequence
// and writes them, one per line, to the output file.
//
//   sequence_client CONNECTION_STRING DATABASE_TYPE SEQUENCE COUNT OUTPUT
#include <cstdio>
#include <cstdlib>

#include "datalayer/db/conn_params.h"
#include "datalayer/db/connection_pool.h"
#include "datalayer/db/db_provider.h"
#include "datalayer/db/sequence_generator.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/table_defn.h"

int main(int argc, char **argv) {
    if (argc != 6) {
        fprintf(stderr, "usage: %s CONNECTION_STRING DATABASE_TYPE SEQUENCE COUNT OUTPUT\n",
                argv[0]);
        return 64;
    }
    InitDBProvider();
    AddConnParamsEntry(CreateConnParamsEntry("localhost", 0, "x", nullptr, nullptr, 0, "main", 1,
                                             argv[1], "ODBC", argv[2]));
    if (!EstablishDBConnections() || !InitSequenceGenerator()) {
        return 2;
    }
    ColumnDefn *column =
        CreateColumnDefn("ID", KEL_SQL_INT, nullptr, 0, 0, argv[3], nullptr, 0, 0, nullptr);
    FILE *out = fopen(argv[5], "w");
    int status = out != nullptr && UpdateSeqGen(nullptr, argv[3]) ? 0 : 3;
    for (int i = 0, count = atoi(argv[4]); status == 0 && i < count; ++i) {
        int32_t number = GenerateID(nullptr, column);
        if (number < 0) {
            status = 4;
        }
        fprintf(out, "%d\n", number);
    }
    if (out != nullptr) {
        fclose(out);
    }
    FreeColumnDefn(column);
    FreeSequenceGenerator();
    CloseAllDBConnections();
    FreeAllConnParamsEntries();
    DeInitDBProvider();
    return status;
}
