#pragma once
// The key index of a container's stored items. While every key is larger than the ones stored
// before it (readers store a sheet's cells row by row), the keys are simply kept in storage
// order, four bytes an item, and found by binary search. The first key out of order turns the
// index into a hash table: open addressing with linear probing over a power-of-two table of
// (key, position in storage order) pairs, kept at most 3/4 full.

#include <cstdint>
#include <utility>
#include <vector>

class TItemIndex {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;  // no position

  // The position stored for `AKey`, or kNone.
  std::uint32_t Find(std::uint32_t AKey) const;
  // Stores `APosition` for `AKey`, replacing an earlier one.
  void Set(std::uint32_t AKey, std::uint32_t APosition);
  // Stores `APosition` for `AKey` unless the key has a position already; returns that earlier
  // position, or kNone when `APosition` was stored.
  std::uint32_t Insert(std::uint32_t AKey, std::uint32_t APosition) {
    return AppendInOrder(AKey, APosition) ? kNone : InsertOutOfOrder(AKey, APosition);
  }
  // Forgets `AKey` and moves every position above `APosition` one down, as when the item at
  // `APosition` leaves the storage order.
  void Remove(std::uint32_t AKey, std::uint32_t APosition);

 private:
  struct TSlot {
    std::uint32_t Key = 0;          // the item's key
    std::uint32_t Position = kNone;  // kNone: the slot is free
  };
  std::size_t Home(std::uint32_t AKey) const {
    return static_cast<std::size_t>((AKey * 0x9E3779B97F4A7C15ull) >> FShift);
  }
  // True when `AKey` at `APosition` keeps the keys in storage order (then appended).
  bool AppendInOrder(std::uint32_t AKey, std::uint32_t APosition) {
    if (!FOrdered || APosition != FOrderedKeys.size() ||
        (!FOrderedKeys.empty() && AKey <= FOrderedKeys.back()))
      return false;
    FOrderedKeys.push_back(AKey);
    return true;
  }
  // Insert for a key that AppendInOrder did not take.
  std::uint32_t InsertOutOfOrder(std::uint32_t AKey, std::uint32_t APosition);
  // Moves the keys kept in order into the hash table.
  void Hash();
  // Rebuilds the table with `ASlots` slots from the pairs of `AOld`.
  void Rehash(std::size_t ASlots, std::vector<TSlot> AOld);
  // The slot of `AKey`, or the free slot where it belongs; the table must not be empty.
  TSlot& SlotOf(std::uint32_t AKey);
  // Makes room for one more key.
  void Grow() {
    if (4 * (FCount + 1) <= 3 * FSlots.size()) return;
    const std::size_t size = FSlots.empty() ? 16 : 2 * FSlots.size();
    Rehash(size, std::move(FSlots));
  }

  bool FOrdered = true;                  // the keys are kept in FOrderedKeys, not hashed
  std::vector<std::uint32_t> FOrderedKeys;  // while ordered: the key at each position, ascending
  std::vector<TSlot> FSlots;             // the hash table; empty while ordered
  std::size_t FCount = 0;                // slots in use
  int FShift = 64;                       // 64 - log2 of the table size
};
