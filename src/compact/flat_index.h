// A map from 64-bit keys to positions for the few thousand keys of one
// channel, held in one block with open addressing: no allocation per key.
#ifndef QUORLIN_COMPACT_FLAT_INDEX_H_
#define QUORLIN_COMPACT_FLAT_INDEX_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorlin {

class FlatIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Empties the index and makes room for `keys` keys; no key may be all ones.
  void Reset(std::size_t keys) {
    slots_.assign(std::bit_ceil(2 * keys + 2), {kEmpty, kNone});
    mask_ = slots_.size() - 1;
  }

  // Stores `position` for `key` and returns what was stored before, or kNone.
  std::size_t Exchange(std::uint64_t key, std::size_t position) {
    Slot& slot = Find(key);
    const std::size_t before = slot.key == key ? slot.position : kNone;
    slot = {key, position};
    return before;
  }

  // The position stored for `key`; stores `position` when there is none yet.
  std::size_t FindOrAdd(std::uint64_t key, std::size_t position) {
    Slot& slot = Find(key);
    if (slot.key != key) slot = {key, position};
    return slot.position;
  }

 private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  struct Slot {
    std::uint64_t key;
    std::size_t position;
  };

  Slot& Find(std::uint64_t key) {
    // Fibonacci hashing spreads keys that differ in their low bits only.
    std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
    while (slots_[at].key != key && slots_[at].key != kEmpty) at = (at + 1) & mask_;
    return slots_[at];
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
};

}  // namespace quorlin

#endif  // QUORLIN_COMPACT_FLAT_INDEX_H_
