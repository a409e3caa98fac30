/*
 * error_messages.h - message texts for numeric outcomes.
 *
 * A code's text is the system's message when the system has one, else the
 * agent's own text for it, else "Unknown Error. Code : <code>". Every lookup
 * is also logged: "Error Code : %d , Error Message : %s \n" at ERROR for a
 * code other than 0, "Message : %s \n" at INFO for 0. A lookup never fails
 * its caller. Texts returned are new memory from malloc; the caller frees
 * them with free(). Safe from any thread.
 */
#ifndef FW_AGENT_ERROR_MESSAGES_H
#define FW_AGENT_ERROR_MESSAGES_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* The agent's own text for code, or the generic text. Always new memory the
 * caller frees (NULL only when memory runs out). Writes no record. */
FW_API char *GetAgentErrorMessage(int code);

/* The message for code, logged in one of the two forms. The caller frees it.
 * NULL only when memory runs out. */
FW_API char *GetErrorMessage(int code);

/* Logs the message for code in one of the two forms, with blanks trimmed from
 * both ends of a system text. Returns 0. */
FW_API int LogErrorMessage(int code);

/* Logs the message for code (as GetErrorMessage does) and frees it. The call
 * the agent makes after a failed system call. */
FW_API void LogErrorCode(int code);

/* Converts the zero-terminated UTF-16 text wide into UTF-8 stored as new memory
 * in *out (freed by the caller). Unpaired surrogates become U+FFFD, as the
 * system's converter does. Returns 1; 0 when wide or out is NULL or memory
 * runs out (then " Error Message: <text>" is logged at ERROR and *out is
 * NULL). */
FW_API int WideToUtf8(const uint16_t *wide, char **out);

FW_END_DECLS

#endif /* FW_AGENT_ERROR_MESSAGES_H */
