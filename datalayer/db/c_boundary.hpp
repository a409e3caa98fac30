// c_boundary.hpp - keeps C++ exceptions inside the data layer's C calls.
#ifndef FW_DATALAYER_DB_C_BOUNDARY_HPP
#define FW_DATALAYER_DB_C_BOUNDARY_HPP

#include <new>

#include "agent/log.h"

namespace fw::db {

// Runs body and returns its result; when memory runs out inside it (or
// anything else is thrown) the call's failure result instead, so nothing
// thrown crosses the C interface.
template <class Result, class Body>
Result Guarded(Result onFailure, Body &&body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc &) {
        LogError("Unable to allocate memory\n");
    } catch (...) {
        LogError("Unexpected failure\n");
    }
    return onFailure;
}

}  // namespace fw::db

#endif
