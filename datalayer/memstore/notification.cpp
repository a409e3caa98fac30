#include "datalayer/memstore/notification.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "agent/log.h"
#include "datalayer/dictionary/column_value.h"
#include "datalayer/memstore/table_data.h"
#include "util/vector.h"

namespace {

Vector g_listeners = {nullptr, 0, nullptr, nullptr};

NotificationListener *FindListener(const char *name) {
    for (VectorNode *node = g_listeners.head; node != nullptr; node = node->next) {
        auto *listener = static_cast<NotificationListener *>(node->element);
        if (strcasecmp(listener->name, name) == 0) {
            return listener;
        }
    }
    return nullptr;
}

void ReleaseListener(NotificationListener *listener) {
    free(listener->name);
    free(listener);
}

// The rule by which a listener hears a change: the row's flags b at the
// moment of the change against the listener's kind e.
bool WantsEvent(uint8_t e, uint8_t b) {
    return e == 0 || b == e || b == (e | ROW_DELETED) || b == (e | ROW_MODIFIED) ||
           b == (e | ROW_FROM_DB);
}

// A value of the row copied for a notification: a NULL value becomes an
// empty value of length 0.
unsigned char *CopyForNotification(const RowObject *row, int32_t i, uint8_t type) {
    if (row->values[i] == nullptr) {
        return static_cast<unsigned char *>(calloc(1, 1));
    }
    return CopyColumnValue(row->values[i], row->lengths[i], type);
}

RowObject *CopyRow(const RowObject *row, const TableData *table) {
    int32_t count = table->columnCount;
    auto *values = static_cast<unsigned char **>(
        calloc(static_cast<size_t>(count) + 1, sizeof(unsigned char *)));
    auto *lengths = static_cast<int32_t *>(calloc(static_cast<size_t>(count) + 1, sizeof(int32_t)));
    auto *copy = static_cast<RowObject *>(calloc(1, sizeof(RowObject)));
    if (values == nullptr || lengths == nullptr || copy == nullptr) {
        free(values);
        free(lengths);
        free(copy);
        return nullptr;
    }
    copy->values = values;
    copy->lengths = lengths;
    copy->flags = row->flags;
    // The definition's columns are walked beside the values (a view has none).
    VectorNode *node = table->definition != nullptr && table->definition->columnVect != nullptr
                           ? table->definition->columnVect->head
                           : nullptr;
    for (int32_t i = 0; i < count; ++i, node = node != nullptr ? node->next : nullptr) {
        const auto *column =
            node != nullptr ? static_cast<const ColumnDefn *>(node->element) : nullptr;
        values[i] = CopyForNotification(row, i, column != nullptr ? column->dataType : 0);
        if (values[i] == nullptr) {
            FreeRowObject(copy, count);
            return nullptr;
        }
        lengths[i] = row->values[i] != nullptr ? row->lengths[i] : 0;
    }
    return copy;
}

}  // namespace

void InitNotification(void) {
    InitVector(&g_listeners, nullptr);
}

int AddNotificationListener(const char *name, uint8_t eventType, NotificationCallback callback,
                            uint8_t enabled, char **tableNames) {
    LogTrace("In Add notification Listener\n");
    if (name == nullptr || callback == nullptr || tableNames == nullptr ||
        tableNames[0] == nullptr) {
        return 0;
    }
    if (FindListener(name) != nullptr) {
        LogError("Listener with same name exists %s\n", name);
        return 1;
    }
    auto *listener = static_cast<NotificationListener *>(calloc(1, sizeof(NotificationListener)));
    if (listener == nullptr || (listener->name = strdup(name)) == nullptr) {
        free(listener);
        LogError("Buffer Allocation is failed for listener!!!\n");
        return 0;
    }
    size_t count = 0;
    while (tableNames[count] != nullptr) {
        ++count;
    }
    std::sort(tableNames, tableNames + count,
              [](const char *a, const char *b) { return strcasecmp(a, b) < 0; });
    listener->tableNames = tableNames;
    listener->enabled = enabled;
    listener->eventType = eventType;
    listener->callback = callback;
    if (!AddElementValue(&g_listeners, listener)) {
        LogError("Buffer allocation is failed for nodePtr !!!\n");
        ReleaseListener(listener);
        return 0;
    }
    LogDebug("Listener with name %s added\n", name);
    return 1;
}

namespace {

// The named listener for disable and remove; NULL (logged when the registry
// is not empty) when there is none.
NotificationListener *FindNamed(const char *name) {
    if (g_listeners.count == 0 || name == nullptr) {
        return nullptr;
    }
    NotificationListener *listener = FindListener(name);
    if (listener == nullptr) {
        LogError("Listener with name %s doesn't exists\n", name);
    }
    return listener;
}

}  // namespace

int DisableNotificationListener(const char *name) {
    LogTrace("In Disable notification\n");
    NotificationListener *listener = FindNamed(name);
    if (listener == nullptr) {
        return 0;
    }
    listener->enabled = 0;
    LogDebug("Listener with name %s disabled\n", name);
    return 1;
}

int RemoveNotificationListener(const char *name) {
    LogTrace("In Remove notification\n");
    NotificationListener *listener = FindNamed(name);
    if (listener == nullptr) {
        return 0;
    }
    LogDebug("Listener with name %s removed\n", name);
    DeleteLCDVector(&g_listeners, listener);
    ReleaseListener(listener);
    return 1;
}

namespace {

// The notification for row of the table named tableName; the table found
// goes to *found, so that its releaser need not look it up again.
IMDSNotification *Create(RowObject *row, const char *tableName, const TableData **found) {
    LogTrace("In CreateIMDSNotification \n");
    const TableData *table = GetTableDataByName(tableName);
    if (table == nullptr || row == nullptr) {
        return nullptr;
    }
    auto *notification = static_cast<IMDSNotification *>(calloc(1, sizeof(IMDSNotification)));
    if (notification == nullptr) {
        return nullptr;
    }
    notification->tableName = strdup(tableName);
    notification->row = CopyRow(row, table);
    notification->timestamp = GetCurrentKelDateTime();
    if (notification->tableName == nullptr || notification->row == nullptr ||
        notification->timestamp == nullptr) {
        FreeIMDSNotification(notification, table->columnCount);
        return nullptr;
    }
    if (found != nullptr) {
        *found = table;
    }
    return notification;
}

}  // namespace

IMDSNotification *CreateIMDSNotification(RowObject *row, const char *tableName) {
    return Create(row, tableName, nullptr);
}

void FreeIMDSNotification(IMDSNotification *notification, int32_t columnCount) {
    if (notification == nullptr) {
        return;
    }
    free(notification->tableName);
    FreeRowObject(notification->row, columnCount);
    FreeKelDateTime(notification->timestamp);
    free(notification);
}

void SendNotification(RowObject *row, const char *tableName) {
    LogTrace("In send notification\n");
    if (g_listeners.count == 0) {
        return;
    }
    const TableData *table = nullptr;
    IMDSNotification *notification = Create(row, tableName, &table);
    if (notification == nullptr) {
        return;
    }
    uint8_t event = row->flags;
    for (VectorNode *node = g_listeners.head; node != nullptr; node = node->next) {
        auto *listener = static_cast<NotificationListener *>(node->element);
        if (!listener->enabled) {
            LogDebug("Listener %s  disabled\n", listener->name);
        } else if (!IsListContains(listener->tableNames, tableName)) {
            LogDebug("Listener not registered for %s table\n", tableName);
        } else if (!WantsEvent(listener->eventType, event)) {
            LogDebug("Listener not registered for Eventype %d\n", event);
        } else {
            listener->callback(notification, listener->name);
        }
    }
    FreeIMDSNotification(notification, table->columnCount);
}

int IsListContains(char **sortedNames, const char *name) {
    LogTrace("@@@ Inside IsListContains @@@\n");
    if (sortedNames == nullptr || name == nullptr) {
        return 0;
    }
    int count = 0;
    while (sortedNames[count] != nullptr) {
        ++count;
    }
    int lo = 1;
    int hi = count;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int order = strcasecmp(sortedNames[mid - 1], name);
        if (order == 0) {
            return 1;
        }
        if (order > 0) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    LogDebug("List doesn't contains key \n");
    return 0;
}

void DeInitNotification(void) {
    LogTrace("In DeInit notification\n");
    while (g_listeners.head != nullptr) {
        auto *listener = static_cast<NotificationListener *>(g_listeners.head->element);
        LogTrace("Listener with name %s removed\n", listener->name);
        DeleteElementAt(&g_listeners, 0);
        ReleaseListener(listener);
    }
}
