// table_fixture.hpp - releasing every in-memory table a test made, as the
// unloading of tables will do.
#ifndef FW_TESTS_DATALAYER_MEMSTORE_TABLE_FIXTURE_HPP
#define FW_TESTS_DATALAYER_MEMSTORE_TABLE_FIXTURE_HPP

#include <cstdlib>

#include "datalayer/memstore/table_data.h"

namespace fw::test {

inline void DropAllTableData() {
    while (GetTableDataList()->head != nullptr) {
        auto *table = static_cast<TableData *>(GetTableDataList()->head->element);
        UnregisterTableData(table);
        FreeTableData(table);
        free(table);
    }
}

}  // namespace fw::test

#endif
