#include "xls/XLSItemPool.h"

#include <algorithm>
#include <new>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSlotPerHeapBlock = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSlotPerHeapBlock = true;
#else
constexpr bool kSlotPerHeapBlock = false;
#endif
#else
constexpr bool kSlotPerHeapBlock = false;
#endif

}  // namespace

TItemPool::TItemPool(std::size_t ASlotSize)
    : FSlotSize(std::max<std::size_t>((ASlotSize + 7) / 8 * 8, sizeof(void*))),
      FSlotsPerBlock(std::max<std::size_t>(kBlockBytes / FSlotSize, 1)) {}

TItemPool::~TItemPool() = default;

void* TItemPool::AllocateSlowly() {
  if (kSlotPerHeapBlock) return ::operator new(FSlotSize);
  if (FFree) {
    void* slot = FFree;
    FFree = *static_cast<void**>(slot);
    return slot;
  }
  FBlocks.push_back(std::make_unique_for_overwrite<std::byte[]>(FSlotsPerBlock * FSlotSize));
  FNext = FBlocks.back().get();
  FEnd = FNext + FSlotsPerBlock * FSlotSize;
  void* slot = FNext;
  FNext += FSlotSize;
  return slot;
}

void TItemPool::Release(void* ASlot) {
  if (kSlotPerHeapBlock) {
    ::operator delete(ASlot);
    return;
  }
  *static_cast<void**>(ASlot) = FFree;
  FFree = ASlot;
}
