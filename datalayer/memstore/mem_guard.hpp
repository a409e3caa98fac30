// mem_guard.hpp - the one guard of the allocators' free lists and of the
// pool tree's links; internal to the memory store.
//
// Every pool hangs below the one process-wide root and draws from its
// allocator, so two threads that each work on a pool of their own still meet
// there. The guard is held only for those short changes, never across a call
// that takes it again, and never on the pointer-bump path of an allocation.
#ifndef FW_DATALAYER_MEMSTORE_MEM_GUARD_HPP
#define FW_DATALAYER_MEMSTORE_MEM_GUARD_HPP

#include <mutex>

namespace fw::memstore {

std::mutex &PoolGuard();

}  // namespace fw::memstore

#endif
