/*
 * address_lock.h - locks on addresses.
 *
 * Any address can be locked: a vector, a queue, the log's key. An address is
 * locked while it is in the process-wide list of locked addresses. Locks have
 * no owner and are not re-entrant: a caller never locks an address it holds,
 * and UnlockObject from any thread releases. All calls are safe from any
 * thread, also before InitMutex.
 */
#ifndef FW_AGENT_ADDRESS_LOCK_H
#define FW_AGENT_ADDRESS_LOCK_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Writes a TRACE record. The list's guard exists from process start; this
 * call only makes sure of it. */
FW_API void InitMutex(void);

/* Blocks until address is entered in the list; returns 1. A waiter sleeps
 * until the address is released, however long the process has run. */
FW_API int LockObject(const void *address);

/* Removes address from the list: 4 when it was locked, 2 when it was not
 * (nothing else happens then). Wakes the waiters. Never blocks beyond the
 * list's guard. */
FW_API int UnlockObject(const void *address);

FW_END_DECLS

#endif /* FW_AGENT_ADDRESS_LOCK_H */
