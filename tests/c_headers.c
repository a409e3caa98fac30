/* Compiles every public header as strict C, so the C interface stays real. */
#include "agent/address_lock.h"
#include "agent/error_messages.h"
#include "agent/log.h"
#include "agent/log_rotation.h"
#include "agent/logger.h"
#include "agent/paths.h"
#include "agent/settings.h"
#include "datalayer/db/conn_params.h"
#include "datalayer/db/connection_pool.h"
#include "datalayer/db/data_source_map.h"
#include "datalayer/db/db_provider.h"
#include "datalayer/db/db_statements.h"
#include "datalayer/db/odbc_dsn.h"
#include "datalayer/db/odbc_provider.h"
#include "datalayer/db/query_dispatch.h"
#include "datalayer/memstore/hash_table.h"
#include "datalayer/memstore/mem_allocator.h"
#include "datalayer/memstore/mem_pool.h"
#include "datalayer/memstore/result_set.h"
#include "platform/c_api.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "platform/timer_queue.h"
#include "platform/unicode.h"
#include "platform/win32_codes.h"
#include "uninstaller/manifest_driver.h"
#include "uninstaller/process_runner.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/dictionary/dictionary_loader.h"
#include "datalayer/dictionary/table_defn.h"
#include "datalayer/dictionary/table_registry.h"
#include "datalayer/dictionary/xml_tag_tree.h"
#include "datalayer/db/sequence_generator.h"
#include "datalayer/memstore/notification.h"
#include "datalayer/memstore/row_object.h"
#include "datalayer/memstore/table_data.h"
#include "datalayer/sql/select_query.h"
#include "util/http_date.h"
#include "util/kel_datetime.h"
#include "util/string_scan.h"
#include "util/string_util.h"
#include "util/vector.h"

static int probe;

int main(void) {
    /* Link a few calls so the declarations are checked against the library. */
    return (PlatformSystemMessage(0) != 0 && UnlockObject(&probe) == 2 &&
            CompareStrings("a", "a") == 0 && ParseMonth("Nov") == 10 &&
            HashTableGet(NULL, "a") == NULL && MemPoolIsAncestor(NULL, NULL) == 1 &&
            GetResultSetColumnName(0, NULL) == NULL && GetDataSourceMapEntry(NULL) == NULL &&
            ExecuteQuery(NULL, NULL) == NULL && FindQueryGenerator(NULL) == NULL &&
            GetConnParamsEntry(NULL) == NULL && GetDialectName(9) == NULL)
               ? 0
               : 1;
}
