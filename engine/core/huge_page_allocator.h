#pragma once
// An allocator for the big per-atom arrays. Blocks of 4 MiB and more are
// aligned to 2 MiB and marked for transparent huge pages, so filling a grain
// of a million atoms takes a few hundred page faults instead of tens of
// thousands (on a virtual machine a page fault costs microseconds).
#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace grainix {

template <typename T>
class HugePageAllocator {
 public:
  using value_type = T;
  static constexpr std::size_t kHuge = std::size_t{2} << 20;
  static constexpr std::size_t kThreshold = std::size_t{4} << 20;

  HugePageAllocator() noexcept = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kThreshold) return static_cast<T*>(::operator new(bytes));
    const std::size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
    void* p = std::aligned_alloc(kHuge, rounded);
    if (!p) throw std::bad_alloc();
    madvise(p, rounded, MADV_HUGEPAGE);  // advice only: failure is harmless
    return static_cast<T*>(p);
  }

  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) < kThreshold)
      ::operator delete(p);
    else
      std::free(p);
  }

  template <typename U>
  bool operator==(const HugePageAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace grainix
