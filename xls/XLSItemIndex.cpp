#include "xls/XLSItemIndex.h"

#include <algorithm>

std::uint32_t TItemIndex::Find(std::uint32_t AKey) const {
  if (FOrdered) {
    const auto at = std::lower_bound(FOrderedKeys.begin(), FOrderedKeys.end(), AKey);
    if (at == FOrderedKeys.end() || *at != AKey) return kNone;
    return static_cast<std::uint32_t>(at - FOrderedKeys.begin());
  }
  if (FSlots.empty()) return kNone;
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t i = Home(AKey);; i = (i + 1) & mask) {
    const TSlot& slot = FSlots[i];
    if (slot.Position == kNone) return kNone;
    if (slot.Key == AKey) return slot.Position;
  }
}

void TItemIndex::Hash() {
  std::size_t size = 16;
  while (4 * (FOrderedKeys.size() + 1) > 3 * size) size *= 2;
  std::vector<TSlot> pairs(FOrderedKeys.size());
  for (std::size_t i = 0; i < pairs.size(); ++i) pairs[i] = {FOrderedKeys[i], static_cast<std::uint32_t>(i)};
  Rehash(size, std::move(pairs));
  FOrderedKeys = {};
  FOrdered = false;
}

TItemIndex::TSlot& TItemIndex::SlotOf(std::uint32_t AKey) {
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t i = Home(AKey);; i = (i + 1) & mask) {
    TSlot& slot = FSlots[i];
    if (slot.Position == kNone || slot.Key == AKey) return slot;
  }
}

void TItemIndex::Set(std::uint32_t AKey, std::uint32_t APosition) {
  if (AppendInOrder(AKey, APosition)) return;
  if (FOrdered) Hash();
  Grow();
  TSlot& slot = SlotOf(AKey);
  if (slot.Position == kNone) ++FCount;
  slot = {AKey, APosition};
}

std::uint32_t TItemIndex::InsertOutOfOrder(std::uint32_t AKey, std::uint32_t APosition) {
  if (FOrdered) {
    const std::uint32_t found = Find(AKey);
    if (found != kNone) return found;
    Hash();
  }
  Grow();
  TSlot& slot = SlotOf(AKey);
  if (slot.Position != kNone) return slot.Position;
  ++FCount;
  slot = {AKey, APosition};
  return kNone;
}

void TItemIndex::Remove(std::uint32_t AKey, std::uint32_t APosition) {
  if (FOrdered) {
    if (APosition < FOrderedKeys.size() && FOrderedKeys[APosition] == AKey)
      FOrderedKeys.erase(FOrderedKeys.begin() + APosition);
    return;
  }
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
