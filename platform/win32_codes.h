/*
 * win32_codes.h - the Win32 error codes the agent reports.
 *
 * Agent operations (registry, files, process runner, rotation) report their
 * outcome as a Win32 error code: 0 for success, a positive code otherwise. The
 * platform layer maps the C library's errno values onto these codes so that the
 * agent's messages and results read the same on Linux as on the system the agent
 * was designed for.
 */
#ifndef FW_PLATFORM_WIN32_CODES_H
#define FW_PLATFORM_WIN32_CODES_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

enum {
    FW_ERROR_SUCCESS = 0,
    FW_ERROR_INVALID_FUNCTION = 1,
    FW_ERROR_FILE_NOT_FOUND = 2,
    FW_ERROR_PATH_NOT_FOUND = 3,
    FW_ERROR_TOO_MANY_OPEN_FILES = 4,
    FW_ERROR_ACCESS_DENIED = 5,
    FW_ERROR_INVALID_HANDLE = 6,
    FW_ERROR_NOT_ENOUGH_MEMORY = 8,
    FW_ERROR_INVALID_DATA = 13,
    FW_ERROR_OUTOFMEMORY = 14,
    FW_ERROR_NO_MORE_FILES = 18,
    FW_ERROR_WRITE_FAULT = 29,
    FW_ERROR_READ_FAULT = 30,
    FW_ERROR_GEN_FAILURE = 31,
    FW_ERROR_SHARING_VIOLATION = 32,
    FW_ERROR_HANDLE_DISK_FULL = 39,
    FW_ERROR_NOT_SUPPORTED = 50,
    FW_ERROR_FILE_EXISTS = 80,
    FW_ERROR_INVALID_PARAMETER = 87,
    FW_ERROR_BROKEN_PIPE = 109,
    FW_ERROR_BUFFER_OVERFLOW = 111,
    FW_ERROR_DISK_FULL = 112,
    FW_ERROR_INSUFFICIENT_BUFFER = 122,
    FW_ERROR_INVALID_NAME = 123,
    FW_ERROR_DIR_NOT_EMPTY = 145,
    FW_ERROR_BUSY = 170,
    FW_ERROR_ALREADY_EXISTS = 183,
    FW_ERROR_BAD_EXE_FORMAT = 193,
    FW_ERROR_FILENAME_EXCED_RANGE = 206,
    FW_ERROR_MORE_DATA = 234,
    FW_WAIT_TIMEOUT = 258,
    FW_ERROR_NO_MORE_ITEMS = 259,
    FW_ERROR_DIRECTORY = 267,
    FW_ERROR_NOT_FOUND = 1168,
    FW_ERROR_BADDB = 1009,
    FW_ERROR_CANCELLED = 1223,
    FW_ERROR_RETRY = 1237,
    FW_ERROR_TIMEOUT = 1460
};

/* The Win32 code that stands for a C library errno value; 31 (general failure)
 * for a value without a closer match. Never fails. */
FW_API int PlatformErrnoToWin32(int errnoValue);

FW_END_DECLS

#endif /* FW_PLATFORM_WIN32_CODES_H */
