// Valid songs made at random, shaped like real ones: every channel has a
// note to start, calls two deep, nested loops with indices 0-3, jumps back,
// stops, state flags of every kind, changes of the global divider in the
// DAC channel and of the channel divider elsewhere, notes that take a
// duration read before a divider change, ties (E7) of every shape, also
// under note fill and after notes of 256 ticks. The property test reverses
// them and the benchmark times them. Given a base address, the songs are
// Sonic 2 songs there: pointers hold addresses, ED takes a byte, FA-FC
// come with theirs, and a channel's own loops take counters 0-1, 4-5 or
// (one in ten) 8-9, which share the bytes of the calls' return addresses.
#ifndef QUORLIN_TESTS_SONG_GENERATOR_H_
#define QUORLIN_TESTS_SONG_GENERATOR_H_

#include <initializer_list>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "song_builder.h"

namespace quorlin::testing {

// Writes channel data with labels; pointers are resolved once the block is
// complete and stay valid wherever it is placed, as they are relative.
class ChannelWriter {
 public:
  int NewLabel();
  void Place(int label);
  int At(int label) const { return labels_[label]; }
  void Emit(std::initializer_list<std::uint8_t> bytes);
  void Emit(std::uint8_t b) { bytes_.push_back(b); }
  void PointerTo(int label);
  Bytes Finish();
  // Where the pointers lie in the finished bytes.
  std::vector<std::size_t> Pointers() const;

 private:
  Bytes bytes_;
  std::vector<int> labels_;
  std::vector<std::pair<std::size_t, int>> fixups_;
};

// How many channels of each kind a generated song has, besides its DAC channel.
struct SongShape {
  int min_fm = 1, max_fm = 4;
  int min_psg = 0, max_psg = 3;
  int min_items = 1, max_items = 6;  // statements in a channel's looped body
  int loop_depth = 2;                // loops nested in the channel's own data
  int max_loop_count = 4;
  std::optional<std::int64_t> sonic2_base;  // a Sonic 2 song whose first byte lies there
};

class SongGenerator {
 public:
  // Each `number` gives a song of its own, the same one every time.
  explicit SongGenerator(unsigned number, SongShape shape = {}) : random_(number), shape_(shape) {}

  Bytes Song();
  // A sound effect of one to four tracks on channels of their own, without
  // modulation set-ups (a sweep's mirror changes its notes) or EB, each
  // ending with F2 (EE on the special effect's channels FM4 and PSG3, at
  // times) or a jump back.
  Bytes Effect();

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Pick(0, 255)); }
  std::uint8_t Note() { return static_cast<std::uint8_t>(Pick(0x80, 0xDF)); }
  std::uint8_t Duration() { return static_cast<std::uint8_t>(Pick(0x06, 0x30)); }

  Bytes Channel();
  void Items(ChannelWriter& w, int count, int loop_depth, int sub_level);
  void Item(ChannelWriter& w, int loop_depth, int sub_level);
  void Tie(ChannelWriter& w);
  void StateFlag(ChannelWriter& w);

  std::mt19937 random_;
  SongShape shape_;
  int subroutine_ = 0;
  int inner_subroutine_ = 0;
  bool global_dividers_ = false;  // this song's DAC channel sets EB
  bool in_dac_ = false;
  std::vector<std::vector<std::size_t>> pointers_;  // of each channel made
  bool in_effect_ = false;
};

}  // namespace quorlin::testing

#endif  // QUORLIN_TESTS_SONG_GENERATOR_H_
