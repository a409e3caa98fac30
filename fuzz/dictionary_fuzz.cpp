// Fuzzes the data dictionary loader: the bytes become one XML file, which is
// loaded into a fresh registry, looked up, printed and released again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "datalayer/dictionary/dictionary_loader.h"
#include "datalayer/dictionary/table_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::string path = "/tmp/fw_dictionary_fuzz." + std::to_string(getpid()) + ".xml";
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    fwrite(data, 1, size, file);
    fclose(file);
    InitTableDefnList();
    LoadDataDictFromXMLFile(path.c_str());
    for (VectorNode *node = GetTableDefnList()->head; node != nullptr; node = node->next) {
        auto *table = static_cast<TableDefn *>(node->element);
        GetTableDefn(table->tableName);
        if (table->columnVect->head != nullptr) {
            auto *column = static_cast<ColumnDefn *>(table->columnVect->head->element);
            GetColumnDefnEntry(table->tableName, column->columnName);
        }
    }
    PrintAllTableDefns();
    FreeTableDefnList();
    unlink(path.c_str());
    return 0;
}
