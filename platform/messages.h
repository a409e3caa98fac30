/*
 * messages.h - the system's message table.
 *
 * The English texts the operating system gives for the Win32 and installer
 * codes the agent meets, one line each (no line breaks, no trailing blank). A
 * code the table does not hold has no system message; the agent's own table
 * answers for it then.
 */
#ifndef FW_PLATFORM_MESSAGES_H
#define FW_PLATFORM_MESSAGES_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* The system's text for code, or NULL when there is none. The text is a
 * constant of the process; the caller must not free it. Inserts such as "%1"
 * are kept as they stand. */
FW_API const char *PlatformSystemMessage(int code);

FW_END_DECLS

#endif /* FW_PLATFORM_MESSAGES_H */
