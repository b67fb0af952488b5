#include "CountingAllocator.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace Hardening {

namespace {

// Plain data, zero-initialised before any constructor runs, so allocations
// made during static initialisation are counted too.
struct State {
  std::int64_t live;
  std::int64_t made;
  std::int64_t failAt;
  bool onward;
  bool armed;
};
State state;

bool ShouldFail() {
  if (!state.armed) return false;
  const std::int64_t n = ++state.made;
  return state.failAt != 0 && (n == state.failAt || (state.onward && n > state.failAt));
}

void* Allocate(std::size_t size, std::size_t alignment) {
  if (ShouldFail()) throw std::bad_alloc();
  if (size == 0) size = 1;
  void* block = nullptr;
  if (alignment <= alignof(std::max_align_t)) {
    block = std::malloc(size);
  } else {
    block = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
  }
  if (block == nullptr) throw std::bad_alloc();
  ++state.live;
  return block;
}

void* AllocateOrNull(std::size_t size, std::size_t alignment) noexcept {
  try {
    return Allocate(size, alignment);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void Release(void* block) noexcept {
  if (block == nullptr) return;
  --state.live;
  std::free(block);
}

}  // namespace

void Arm(std::int64_t failAt, bool onward) {
  state.made = 0;
  state.failAt = failAt;
  state.onward = onward;
  state.armed = true;
}

void Disarm() { state.armed = false; }

AllocationCounts Counts() { return {state.live, state.made}; }

}  // namespace Hardening

// Every replaceable form, so that no form of the sanitizer runtime's own is
// linked in beside these.
using Hardening::Allocate;
using Hardening::AllocateOrNull;
using Hardening::Release;
constexpr std::size_t Plain = alignof(std::max_align_t);

void* operator new(std::size_t size) { return Allocate(size, Plain); }
void* operator new[](std::size_t size) { return Allocate(size, Plain); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size, Plain); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size, Plain); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size, static_cast<std::size_t>(a));
}

void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
