// folded_name.hpp - C++ side of the data layer's rule that names compare
// ignoring ASCII letter case: a hash and an equality for unordered maps keyed
// by name, which also look names up without copying them. Not part of the
// public C interface.
#ifndef FW_UTIL_FOLDED_NAME_HPP
#define FW_UTIL_FOLDED_NAME_HPP

#include <strings.h>

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace fw::util {

struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const {
        size_t hash = 14695981039346656037ull;
        for (char c : name) {
            hash = (hash ^ static_cast<unsigned char>(tolower(static_cast<unsigned char>(c)))) *
                   1099511628211ull;
        }
        return hash;
    }
};

struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
    }
};

// Name -> value, names compared ignoring case.
template <class Value>
using FoldedNameMap = std::unordered_map<std::string, Value, FoldedHash, FoldedEqual>;

}  // namespace fw::util

#endif
