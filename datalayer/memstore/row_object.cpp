#include "datalayer/memstore/row_object.h"

#include <cstdlib>

RowObject *CreateNewRowObject(unsigned char **values, int32_t *lengths) {
    if (values == nullptr || lengths == nullptr) {
        return nullptr;
    }
    auto *row = static_cast<RowObject *>(calloc(1, sizeof(RowObject)));
    if (row == nullptr) {
        return nullptr;
    }
    row->values = values;
    row->lengths = lengths;
    row->flags = ROW_NEW;
    return row;
}

void FreeRowObject(RowObject *row, int32_t columnCount) {
    if (row == nullptr) {
        return;
    }
    for (int32_t i = 0; row->values != nullptr && i < columnCount; ++i) {
        free(row->values[i]);
    }
    free(row->values);
    free(row->lengths);
    free(row);
}
