// Asking the system for 2 MB pages for a large buffer of fresh memory, which it then fills
// with a few hundred page faults instead of tens of thousands.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>
#endif

namespace lipimattam {

// Advises the whole 2 MB pages within [data, data + bytes); elsewhere it does nothing.
inline void AdviseHugePages(const void* data, std::size_t bytes) {
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (last > first) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace lipimattam
