// odbc_leak_suppressions.cpp - linked into every suite that loads the ODBC
// driver manager. unixODBC's libodbcinst keeps what it read from the .ini
// files in a cache it never frees; LeakSanitizer would fail every such test
// process at exit for it. Only that library's allocations are exempt: a leak
// in our own code or in a driver still fails the test.
#include <dlfcn.h>

extern "C" const char *__lsan_default_suppressions() {
    return "leak:libodbcinst.so\n";
}

// The list of suppressions used, printed at every exit, would only be noise.
extern "C" const char *__lsan_default_options() {
    return "print_suppressions=0";
}

namespace {

// The driver manager loads libodbcinst at run time and may unload it with the
// last driver; its leaks then come from an "unknown module" that no
// suppression can name. Held here, it stays mapped until the leak check.
const bool kOdbcinstHeld = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE) != nullptr;

}  // namespace
