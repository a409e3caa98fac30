/*
 * settings.h - the agent's registry settings and its file checks.
 *
 * Conventions: results are Win32 codes, 0 for success and 2 when a key or
 * value does not exist; the readers log as their records below say and never
 * fail their caller otherwise. Texts returned through out parameters are new
 * memory from malloc that the caller frees. Safe from any thread, except that
 * gv_agentInstallDir is replaced without a lock by GetAgentInstallDir's
 * callers.
 */
#ifndef FW_AGENT_SETTINGS_H
#define FW_AGENT_SETTINGS_H

#include <stdint.h>

#include "platform/c_api.h"
#include "platform/registry.h"

FW_BEGIN_DECLS

/* The key all agent settings live under, below HKEY_LOCAL_MACHINE. */
#define FW_AGENT_REGISTRY_KEY "Software\\Northvale\\Fleetwarden\\FWAgent"
#define FW_AGENT_INSTALL_DIR_VALUE "FWAgentInstallDir"
#define FW_AGENT_LOG_LEVEL_VALUE "FWAgentLogLevel"
#define FW_EVENT_ENABLED_VALUE "FWEventEnabled"

/* The installation directory as last read (owned by the agent runtime), or
 * NULL. Expected to end with a separator: paths append "logs" to it. */
FW_API extern char *gv_agentInstallDir;

/* The event-enabled flag, initially 1. */
FW_API extern int gv_eventEnabled;

/* Reads a value as text into new memory stored in *out (NULL first). The text
 * is zero-terminated even when the stored data are not. On a failed read
 * after the size query the buffer stays in *out for the caller to free. Logs
 * "ReadRegSZ: Error while opening registry key ..." when the key cannot be
 * opened. */
FW_API int ReadRegSZ(PlatformHKey root, const char *subKey, const char *valueName, char **out);

/* Reads a value of at most 4 bytes into *out, which is written only on
 * success; a longer value gives 234. A missing key or value writes the DEBUG
 * record "ReadDwordRegistryData:  value  %s Not found: %d \n". */
FW_API int ReadDwordRegistryData(PlatformHKey root, const char *subKey, const char *valueName,
                                 uint32_t *out);

/* ReadRegSZ of FWAgentInstallDir from the agent's key. */
FW_API int GetAgentInstallDir(char **out);

/* Reads FWEventEnabled into *flag; 1 when it cannot be read. Returns 0. */
FW_API int GetEventEnabled(int *flag);

/* 0 when path names an existing file or directory (wildcards match as in a
 * directory search), 2 otherwise. */
FW_API int CheckFileExists(const char *path);

/* 1 when CheckFileExists(path) is 0, else 0. */
FW_API int FileExists(const char *path);

/* Stores the size of the file at path in *size and returns 1; 0 (with *size 0)
 * for NULL arguments, a directory or a file that cannot be opened. */
FW_API int GetFileSizeByName(const char *path, uint64_t *size);

FW_END_DECLS

#endif /* FW_AGENT_SETTINGS_H */
