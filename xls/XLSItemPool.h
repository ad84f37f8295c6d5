#pragma once
// Storage of one container's items: slots of one size carved from 64 KiB blocks, a freed slot
// reused by the next item. A sheet of a few hundred thousand cells then costs no heap call and
// no allocator header per cell. Builds with AddressSanitizer give every slot its own heap block
// instead, so that a stale item pointer is still caught.

#include <cstddef>
#include <memory>
#include <vector>

class TItemPool {
 public:
  // Slots of `ASlotSize` bytes (rounded up to 8), aligned for any item.
  explicit TItemPool(std::size_t ASlotSize);
  ~TItemPool();
  TItemPool(const TItemPool&) = delete;
  TItemPool& operator=(const TItemPool&) = delete;

  std::size_t SlotSize() const { return FSlotSize; }
  // A slot of uninitialised memory; raises std::bad_alloc when memory runs out.
  void* Allocate() {
    if (FNext == FEnd || FFree) return AllocateSlowly();
    void* slot = FNext;
    FNext += FSlotSize;
    return slot;
  }
  // Gives back a slot of this pool whose item has been destroyed.
  void Release(void* ASlot);

 private:
  static constexpr std::size_t kBlockBytes = 64 * 1024;

  // A released slot, else a slot of a new block (or its own heap block).
  void* AllocateSlowly();

  std::size_t FSlotSize;                              // bytes per slot
  std::size_t FSlotsPerBlock;                         // slots in one block
  std::vector<std::unique_ptr<std::byte[]>> FBlocks;  // every block, the newest last
  std::byte* FNext = nullptr;                         // the next unused slot of the newest block
  std::byte* FEnd = nullptr;                          // the end of the newest block's slots
  void* FFree = nullptr;                              // released slots, each holding the next
};
