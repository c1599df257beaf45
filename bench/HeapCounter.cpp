#include "HeapCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench {
namespace {

std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};

// What malloc guarantees, and the header size of every block that asks for no more.
constexpr size_t kHeader = alignof(std::max_align_t);

// Each block carries its size in a header of `alignment` bytes just before what the caller
// gets, so that delete knows how much goes back.
void* Allocate(size_t bytes, size_t alignment) {
  void* block = nullptr;
  if (alignment == kHeader) {
    block = std::malloc(alignment + bytes);
  } else if (posix_memalign(&block, alignment, alignment + bytes) != 0) {
    block = nullptr;
  }
  if (block == nullptr) return nullptr;
  *static_cast<size_t*>(block) = bytes;
  const size_t live = g_live.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  size_t peak = g_peak.load(std::memory_order_relaxed);
  while (live > peak && !g_peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
  return static_cast<char*>(block) + alignment;
}

void* AllocateOrThrow(size_t bytes, size_t alignment) {
  void* memory = Allocate(bytes, alignment);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void Release(void* memory, size_t alignment) {
  if (memory == nullptr) return;
  void* block = static_cast<char*>(memory) - alignment;
  g_live.fetch_sub(*static_cast<size_t*>(block), std::memory_order_relaxed);
  std::free(block);
}

size_t HeaderFor(std::align_val_t alignment) {
  return static_cast<size_t>(alignment) > kHeader ? static_cast<size_t>(alignment) : kHeader;
}

}  // namespace

size_t LiveHeapBytes() {
  return g_live.load(std::memory_order_relaxed);
}

size_t PeakHeapBytes() {
  return g_peak.load(std::memory_order_relaxed);
}

void ResetHeapPeak() {
  g_peak.store(g_live.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace bench

using bench::AllocateOrThrow;
using bench::HeaderFor;
using bench::kHeader;
using bench::Release;

void* operator new(size_t bytes) {
  return AllocateOrThrow(bytes, kHeader);
}
void* operator new[](size_t bytes) {
  return AllocateOrThrow(bytes, kHeader);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
  return bench::Allocate(bytes, kHeader);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
  return bench::Allocate(bytes, kHeader);
}
void* operator new(size_t bytes, std::align_val_t alignment) {
  return AllocateOrThrow(bytes, HeaderFor(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment) {
  return AllocateOrThrow(bytes, HeaderFor(alignment));
}
void* operator new(size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return bench::Allocate(bytes, HeaderFor(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return bench::Allocate(bytes, HeaderFor(alignment));
}

void operator delete(void* memory) noexcept {
  Release(memory, kHeader);
}
void operator delete[](void* memory) noexcept {
  Release(memory, kHeader);
}
void operator delete(void* memory, size_t) noexcept {
  Release(memory, kHeader);
}
void operator delete[](void* memory, size_t) noexcept {
  Release(memory, kHeader);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
  Release(memory, kHeader);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  Release(memory, kHeader);
}
void operator delete(void* memory, std::align_val_t alignment) noexcept {
  Release(memory, HeaderFor(alignment));
}
void operator delete[](void* memory, std::align_val_t alignment) noexcept {
  Release(memory, HeaderFor(alignment));
}
void operator delete(void* memory, size_t, std::align_val_t alignment) noexcept {
  Release(memory, HeaderFor(alignment));
}
void operator delete[](void* memory, size_t, std::align_val_t alignment) noexcept {
  Release(memory, HeaderFor(alignment));
}
void operator delete(void* memory, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  Release(memory, HeaderFor(alignment));
}
void operator delete[](void* memory, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  Release(memory, HeaderFor(alignment));
}
