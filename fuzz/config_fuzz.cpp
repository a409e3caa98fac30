// Fuzzes the data layer's configuration readers: the first byte chooses the
// file ('c' connparams.txt, 'm' dsn_table_map.txt, anything else the file of
// ODBC data sources), the rest is its content. Every reader must take any
// content without harm, and what it keeps must be whole.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "datalayer/db/conn_params.h"
#include "datalayer/db/data_source_map.h"
#include "datalayer/db/odbc_dsn.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        abort();
    }
}

const std::string &Scratch() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/fw-config-fuzz.XXXXXX";
        Check(mkdtemp(pattern) != nullptr);
        std::string d = pattern;
        // Data sources go to an ODBC configuration that knows no driver, so
        // every creation fails without touching the machine's.
        setenv("ODBCSYSINI", d.c_str(), 1);
        setenv("ODBCINI", (d + "/odbc.ini").c_str(), 1);
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::string path = Scratch() + "/input.txt";
    FILE *file = fopen(path.c_str(), "wb");
    Check(file != nullptr);
    fwrite(data + 1, 1, size - 1, file);
    fclose(file);
    switch (data[0]) {
        case 'c': {
            Check(LoadConnParamsEntryFromFile(path.c_str()) == 1);
            for (VectorNode *node = GetConnParamsList()->head; node != nullptr; node = node->next) {
                auto *entry = static_cast<ConnParamsEntry *>(node->element);
                Check(entry->host != nullptr && entry->dsn != nullptr &&
                      entry->connectionName != nullptr && entry->databaseType != nullptr);
                Check(entry->useConnectionString == (entry->connectionString != nullptr));
                Check(GetConnParamsEntry(entry->connectionName) != nullptr);
            }
            FreeAllConnParamsEntries();
            break;
        }
        case 'm':
            Check(LoadDataSourceMapEntryFromFile(path.c_str()) == 1);
            FreeAllDataSourceMapEntries();
            break;
        default:
            Check(CreateDSNsFromFile(path.c_str()) == 1);
            break;
    }
    return 0;
}
