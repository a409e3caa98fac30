#include "platform/paths.h"

#include <cstring>

char *PlatformNativePathInPlace(char *path) {
    if (path == nullptr) {
        return nullptr;
    }
    for (char *p = strchr(path, '\\'); p != nullptr; p = strchr(p + 1, '\\')) {
        *p = '/';
    }
    return path;
}

char *PlatformNativePath(const char *path) {
    return path == nullptr ? nullptr : PlatformNativePathInPlace(strdup(path));
}
