/*
 * notification.h - change notifications of the in-memory tables.
 *
 * A listener names the tables it hears, the kind of change it wants (a row
 * flag value; 0 for every change) and a callback. Every row added, updated
 * or removed in a table (table_data.h) is announced: SendNotification builds
 * one IMDSNotification with a copy of the row and hands it to every enabled
 * listener of that table whose kind matches, in registration order, on the
 * thread that made the change. The notification is released when the last
 * callback returns: callbacks must not keep it.
 *
 * Conventions: results are 1 (true) and 0 (false). The registry copies a
 * listener's name and releases the copy on removal; the table-name array is
 * the caller's, sorted in place at registration, and must stay valid while
 * the listener is registered. Registration and removal are single locked
 * steps, but the delivery walk takes no lock: do not add or remove listeners
 * while other threads change tables, and never from a callback.
 */
#ifndef FW_DATALAYER_MEMSTORE_NOTIFICATION_H
#define FW_DATALAYER_MEMSTORE_NOTIFICATION_H

#include <stdint.h>

#include "datalayer/memstore/row_object.h"
#include "platform/c_api.h"
#include "util/kel_datetime.h"

FW_BEGIN_DECLS

typedef struct IMDSNotification {
    char *tableName;
    RowObject *row; /* a copy: NULL values arrive as empty values of length 0 */
    KelDateTime *timestamp;
} IMDSNotification;

/* A listener's callback; its result is ignored. */
typedef int (*NotificationCallback)(IMDSNotification *notification, const char *listenerName);

typedef struct NotificationListener {
    char *name;
    char **tableNames; /* the caller's, NULL-terminated, sorted ignoring case */
    uint8_t enabled;
    uint8_t eventType;
    NotificationCallback callback;
} NotificationListener;

/* Empties the registry (what it held is forgotten: DeInitNotification
 * releases it). */
FW_API void InitNotification(void);

/* Registers a listener for the NULL-terminated tableNames (at least one;
 * sorted in place). A name already registered (ignoring case) logs "Listener
 * with same name exists %s\n", adds nothing and still gives 1. 0 for absent
 * arguments or when memory runs out. */
FW_API int AddNotificationListener(const char *name, uint8_t eventType,
                                   NotificationCallback callback, uint8_t enabled,
                                   char **tableNames);

/* Disables the named listener (there is no enabling again). 0 when the
 * registry is empty or the name unknown. */
FW_API int DisableNotificationListener(const char *name);

/* Unregisters and releases the named listener (not its table list). */
FW_API int RemoveNotificationListener(const char *name);

/* Announces a change of row in tableName (see above). Nothing is built when
 * no listener is registered. */
FW_API void SendNotification(RowObject *row, const char *tableName);

/* A new notification for row of tableName (the table must be registered),
 * stamped with the local time, or NULL. Free it with FreeIMDSNotification. */
FW_API IMDSNotification *CreateIMDSNotification(RowObject *row, const char *tableName);

/* Frees a notification with its name, row copy and time stamp. */
FW_API void FreeIMDSNotification(IMDSNotification *notification, int32_t columnCount);

/* 1 when the NULL-terminated, sorted list holds name ignoring case. */
FW_API int IsListContains(char **sortedNames, const char *name);

/* Removes and releases every listener. */
FW_API void DeInitNotification(void);

FW_END_DECLS

#endif /* FW_DATALAYER_MEMSTORE_NOTIFICATION_H */
