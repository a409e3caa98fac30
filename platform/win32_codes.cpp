#include "platform/win32_codes.h"

#include <cerrno>

int PlatformErrnoToWin32(int errnoValue) {
    switch (errnoValue) {
        case 0:
            return FW_ERROR_SUCCESS;
        case ENOENT:
            return FW_ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return FW_ERROR_PATH_NOT_FOUND;
        case EMFILE:
        case ENFILE:
            return FW_ERROR_TOO_MANY_OPEN_FILES;
        case EACCES:
        case EPERM:
        case EISDIR:
            return FW_ERROR_ACCESS_DENIED;
        case EBADF:
            return FW_ERROR_INVALID_HANDLE;
        case ENOMEM:
            return FW_ERROR_NOT_ENOUGH_MEMORY;
        case EROFS:
            return 19; /* ERROR_WRITE_PROTECT */
        case EXDEV:
            return 17; /* ERROR_NOT_SAME_DEVICE */
        case ETXTBSY:
            return FW_ERROR_SHARING_VIOLATION;
        case ENOSYS:
        case ENOTSUP:
            return FW_ERROR_NOT_SUPPORTED;
        case EEXIST:
            return FW_ERROR_ALREADY_EXISTS;
        case EINVAL:
        case E2BIG:
            return FW_ERROR_INVALID_PARAMETER;
        case EPIPE:
            return FW_ERROR_BROKEN_PIPE;
        case ENOSPC:
        case EDQUOT:
            return FW_ERROR_DISK_FULL;
        case ENOTEMPTY:
            return FW_ERROR_DIR_NOT_EMPTY;
        case EBUSY:
        case EAGAIN:
            return FW_ERROR_BUSY;
        case ENOEXEC:
            return FW_ERROR_BAD_EXE_FORMAT;
        case ENAMETOOLONG:
            return FW_ERROR_FILENAME_EXCED_RANGE;
        case EFBIG:
            return 223; /* ERROR_FILE_TOO_LARGE */
        case ELOOP:
            return 1921; /* ERROR_CANT_RESOLVE_FILENAME */
        case EINTR:
            return FW_ERROR_CANCELLED;
        case ETIMEDOUT:
            return FW_ERROR_TIMEOUT;
        default:
            return FW_ERROR_GEN_FAILURE;
    }
}
