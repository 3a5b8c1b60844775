// Heap bytes in use, for tests that check a long run's memory stays
// constant. The sanitizers replace malloc (and mallinfo with it), so under
// them their own allocator is asked.
#ifndef MORVANE_TESTS_SUPPORT_HEAP_IN_USE_H
#define MORVANE_TESTS_SUPPORT_HEAP_IN_USE_H

#include <malloc.h>

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// From the sanitizer runtime (its header is not installed here).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace test_support {

inline size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

}  // namespace test_support

#endif  // MORVANE_TESTS_SUPPORT_HEAP_IN_USE_H
