// %NAME% expansion of command lines.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/process.h"

extern char **environ;

namespace {

// The value of name: an exact match first, then one that differs only in
// letter case (names are case-blind where these command lines come from).
const char *Lookup(const std::string &name) {
    if (const char *value = getenv(name.c_str())) {
        return value;
    }
    for (char **entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char *equals = strchr(*entry, '=');
        if (equals != nullptr && static_cast<size_t>(equals - *entry) == name.size() &&
            strncasecmp(*entry, name.c_str(), name.size()) == 0) {
            return equals + 1;
        }
    }
    return nullptr;
}

std::string Expand(const char *text) {
    std::string out;
    const char *p = text;
    while (*p != '\0') {
        const char *open = strchr(p, '%');
        if (open == nullptr) {
            out += p;
            break;
        }
        out.append(p, open);
        const char *close = strchr(open + 1, '%');
        if (close == nullptr) {
            out += open;  // a lone '%' stays
            break;
        }
        std::string name(open + 1, close);
        const char *value = name.empty() ? nullptr : Lookup(name);
        if (value != nullptr) {
            out += value;
        } else {
            out.append(open, close + 1);  // undefined: as written
        }
        p = close + 1;
    }
    return out;
}

}  // namespace

char *PlatformExpandEnvironment(const char *text) {
    if (text == nullptr) {
        return nullptr;
    }
    try {
        return strdup(Expand(text).c_str());
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
