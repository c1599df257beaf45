#include "alloc/FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace allocation_testing {
namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_count{0};
std::atomic<long> g_failAt{0};

// False for the allocation that is to fail.
bool Granted() {
  return !g_counting.load() || ++g_count != g_failAt.load();
}

void* Allocate(std::size_t size) noexcept {
  return Granted() ? std::malloc(size == 0 ? 1 : size) : nullptr;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) noexcept {
  if (!Granted()) return nullptr;
  const auto bytes = static_cast<std::size_t>(alignment);
  if (size == 0) size = 1;
#if defined(_WIN32)
  return _aligned_malloc(size, bytes);
#else
  void* block = nullptr;
  return posix_memalign(&block, bytes < sizeof(void*) ? sizeof(void*) : bytes, size) == 0 ? block
                                                                                          : nullptr;
#endif
}

void FreeAligned(void* block) noexcept {
#if defined(_WIN32)
  _aligned_free(block);
#else
  std::free(block);
#endif
}

void* AllocateOrThrow(std::size_t size) {
  if (void* block = Allocate(size)) return block;
  throw std::bad_alloc();
}

void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
  if (void* block = AllocateAligned(size, alignment)) return block;
  throw std::bad_alloc();
}

}  // namespace

void StartCounting(long nth) {
  g_count = 0;
  g_failAt = nth;
  g_counting = true;
}

long StopCounting() {
  g_counting = false;
  return g_count.load();
}

}  // namespace allocation_testing

using allocation_testing::Allocate;
using allocation_testing::AllocateAligned;
using allocation_testing::AllocateAlignedOrThrow;
using allocation_testing::AllocateOrThrow;
using allocation_testing::FreeAligned;

void* operator new(std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAlignedOrThrow(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}

void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  FreeAligned(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  FreeAligned(block);
}
