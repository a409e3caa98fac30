/*
 * sync.h - sleeping and thread identity.
 */
#ifndef FW_PLATFORM_SYNC_H
#define FW_PLATFORM_SYNC_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Sleeps at least ms milliseconds; 0 only yields the processor. */
FW_API void PlatformSleepMs(unsigned int ms);

/* The operating system's id of the calling thread (as the kernel numbers it;
 * the main thread's id equals the process id). */
FW_API int PlatformThreadId(void);

FW_END_DECLS

#endif /* FW_PLATFORM_SYNC_H */
