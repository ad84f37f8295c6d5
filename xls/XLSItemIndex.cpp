#include "xls/XLSItemIndex.h"

std::uint32_t TItemIndex::Find(std::uint32_t AKey) const {
  if (FSlots.empty()) return kNone;
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t i = Home(AKey);; i = (i + 1) & mask) {
    const TSlot& slot = FSlots[i];
    if (slot.Position == kNone) return kNone;
    if (slot.Key == AKey) return slot.Position;
  }
}

TItemIndex::TSlot& TItemIndex::SlotOf(std::uint32_t AKey) {
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t i = Home(AKey);; i = (i + 1) & mask) {
    TSlot& slot = FSlots[i];
    if (slot.Position == kNone || slot.Key == AKey) return slot;
  }
}

void TItemIndex::Set(std::uint32_t AKey, std::uint32_t APosition) {
  Grow();
  TSlot& slot = SlotOf(AKey);
  if (slot.Position == kNone) ++FCount;
  slot = {AKey, APosition};
}

std::uint32_t TItemIndex::Insert(std::uint32_t AKey, std::uint32_t APosition) {
  Grow();
  TSlot& slot = SlotOf(AKey);
  if (slot.Position != kNone) return slot.Position;
  ++FCount;
  slot = {AKey, APosition};
  return kNone;
}

void TItemIndex::Remove(std::uint32_t AKey, std::uint32_t APosition) {
  std::vector<TSlot> old;
  old.reserve(FCount);
  for (const TSlot& slot : FSlots) {
    if (slot.Position == kNone || slot.Key == AKey) continue;
    old.push_back({slot.Key, slot.Position > APosition ? slot.Position - 1 : slot.Position});
  }
  Rehash(FSlots.size(), std::move(old));
}

void TItemIndex::Rehash(std::size_t ASlots, std::vector<TSlot> AOld) {
  FSlots.assign(ASlots, TSlot{});
  FCount = 0;
  FShift = 64;
  for (std::size_t n = ASlots; n > 1; n >>= 1) --FShift;
  for (const TSlot& slot : AOld) {
    if (slot.Position == kNone) continue;
    SlotOf(slot.Key) = slot;  // keys are distinct, and the table is large enough
    ++FCount;
  }
}
