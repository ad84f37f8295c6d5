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

void TItemIndex::Set(std::uint32_t AKey, std::uint32_t APosition) {
  if (2 * (FCount + 1) > FSlots.size()) Rehash(FSlots.empty() ? 16 : 2 * FSlots.size(), FSlots);
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t i = Home(AKey);; i = (i + 1) & mask) {
    TSlot& slot = FSlots[i];
    if (slot.Position == kNone) {
      slot = {AKey, APosition};
      ++FCount;
      return;
    }
    if (slot.Key == AKey) {
      slot.Position = APosition;
      return;
    }
  }
}

void TItemIndex::Remove(std::uint32_t AKey, std::uint32_t APosition) {
  std::vector<TSlot> old;
  old.reserve(FCount);
  for (const TSlot& slot : FSlots) {
    if (slot.Position == kNone || slot.Key == AKey) continue;
    old.push_back({slot.Key, slot.Position > APosition ? slot.Position - 1 : slot.Position});
  }
  Rehash(FSlots.size(), old);
}

void TItemIndex::Rehash(std::size_t ASlots, const std::vector<TSlot>& AOld) {
  std::vector<TSlot> old = AOld;
  FSlots.assign(ASlots, TSlot{});
  FCount = 0;
  FShift = 64;
  for (std::size_t n = ASlots; n > 1; n >>= 1) --FShift;
  for (const TSlot& slot : old)
    if (slot.Position != kNone) Set(slot.Key, slot.Position);
}
