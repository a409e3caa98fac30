// odbc_leak_suppressions.cpp - linked into every suite that loads the ODBC
// driver manager. unixODBC's libodbcinst keeps what it read from the .ini
// files in a cache it never frees; LeakSanitizer would fail every such test
// process at exit for it. Only that library's allocations are exempt: a leak
// in our own code or in a driver still fails the test.
#include <dlfcn.h>

// psqlODBC 13.02 (psqlodbcw.so) loses its copy of the password when a
// connection text gives PWD for a data source whose definition holds one
// already: one allocation of the password's length per connect. The
// driver ships without symbols, so only its module can be named.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libodbcinst.so\nleak:psqlodbcw.so\n";
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
