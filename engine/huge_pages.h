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
inline void AdviseHugePages(void* data, std::size_t bytes) {
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
  // The pages are found by offsets from `data`, so no integer becomes a pointer.
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t skip = (kHugePage - begin % kHugePage) % kHugePage;
  if (bytes < skip + kHugePage) return;
  const std::size_t length = (bytes - skip) / kHugePage * kHugePage;
  void* const first = static_cast<char*>(data) + skip;
  (void)::madvise(first, length, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace lipimattam
