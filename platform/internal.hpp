// internal.hpp - helpers shared by the platform's own C++ sources; not part of
// the public API.
#ifndef FW_PLATFORM_INTERNAL_HPP
#define FW_PLATFORM_INTERNAL_HPP

#include <new>
#include <string>

#include "platform/paths.h"
#include "platform/win32_codes.h"

namespace fw::platform {

// The path as the Linux file system wants it: every '\' becomes '/'.
inline std::string NativePath(const char *path) {
    std::string native = path;
    PlatformNativePathInPlace(native.data());
    return native;
}

// Runs the body of a call that returns a Win32 code; running out of memory
// inside it becomes code 8 instead of an exception crossing the C boundary.
template <class Body>
int ReturnWin32(Body &&body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return FW_ERROR_NOT_ENOUGH_MEMORY;
    }
}

}  // namespace fw::platform

#endif
