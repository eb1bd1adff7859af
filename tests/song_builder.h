// Tracks for tests, built from bytes written in the test itself.
#ifndef QUORLIN_TESTS_SONG_BUILDER_H_
#define QUORLIN_TESTS_SONG_BUILDER_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/dump.h"
#include "flatten/unpack_channel.h"
#include "format/flat_channel.h"
#include "format/sonic1_driver.h"
#include "format/track_error.h"

namespace quorlin::testing {

using Bytes = std::vector<std::uint8_t>;

// "81 0C F2" -> {0x81, 0x0C, 0xF2}; commas are ignored.
Bytes Hex(std::string_view text);
// The other way round, for readable failure messages.
std::string ToHex(const Bytes& bytes);

// Lays a song out as: song header, channel headers, channel data in channel
// order, voice records. Voice record n holds the bytes n*25 .. n*25+24.
class SongBuilder {
 public:
  SongBuilder& Divider(std::uint8_t divider);
  SongBuilder& Tempo(std::uint8_t tempo);
  SongBuilder& Voices(int count);
  SongBuilder& Dac(Bytes data);
  SongBuilder& Fm(Bytes data, std::uint8_t transpose = 0, std::uint8_t volume = 0);
  SongBuilder& Psg(Bytes data, std::uint8_t transpose = 0, std::uint8_t volume = 0,
                   std::uint8_t voice = 0);
  Bytes Build() const;

 private:
  struct Channel {
    ChannelKind kind;
    Bytes data;
    std::uint8_t transpose, volume, voice;
  };
  std::uint8_t divider_ = 1;
  std::uint8_t tempo_ = 5;
  int voices_ = 1;
  std::vector<Channel> channels_;
};

// A song of one DAC, `fm` FM and `psg` PSG channels that all play the same
// `data`, which follows the headers; one voice record closes it.
Bytes SharedDataSong(int fm, int psg, const Bytes& data, std::uint8_t divider = 1);

// A 128 KiB game image: the header's "SEGA" at 0x100, the songs from 0x1000
// on, a table at `table_at` of one entry per index of `entries` (an index of
// `songs`, or -1 for an address that holds no song), 0xFF everywhere else.
Bytes GameImage(std::size_t table_at, const std::vector<Bytes>& songs,
                const std::vector<int>& entries, std::size_t size = 128 << 10);

// One track of an effect: its channel id, its data, its entry's values.
struct EffectTrackData {
  std::uint8_t id;
  Bytes data;
  std::uint8_t transpose = 0, volume = 0;
};

// An effect of divider 1: header, entries, each track's data in order, then
// `voices` voice records (record n holds the bytes n*25 .. n*25+24).
Bytes Effect(const std::vector<EffectTrackData>& tracks, int voices = 0);

// The reversed effect of `effect`, converted in memory as the tool does.
Bytes ReversedEffect(const Bytes& effect, bool compact = false);

// A flattened channel holding the event list `events`, whose notes were
// timed at `note_dividers`, one byte per note (all at divider 1 when not given).
FlatChannel ChannelWith(Bytes events, const Bytes& note_dividers = {});

// The reversed song of `track`, a Sonic 1 song, converted in memory as the
// tool does.
Bytes Reversed(const Bytes& track);

// Keeps every dump file in memory, in the order written.
class CapturingSink : public DumpSink {
 public:
  void Write(const std::string& name, std::span<const std::uint8_t> bytes) override;
  std::vector<std::string> names;
  std::map<std::string, Bytes> files;
};

struct Dumped {
  CapturingSink sink;
  Bytes output;
};

// Converts `track` with the dumps kept in memory.
Dumped ConvertWithDumps(const Bytes& track);

// From a channel's dump file: the reversed list (the event area up to the
// length word) and the converted list (the work area, as long).
std::string ReversedListIn(const Bytes& dump_file);
std::string ConvertedListIn(const Bytes& dump_file);

struct Walk {
  Bytes events;
  std::int32_t clock;
};

// Flattens `data` as one channel starting at offset 0 of its own image.
Walk WalkChannel(ChannelKind kind, const Bytes& data, std::int32_t target = 0,
                 std::uint8_t divider = 1);

// The TrackError that `action` throws, if it throws one.
template <typename Action>
std::optional<TrackError> CaughtTrackError(Action action) {
  try {
    action();
  } catch (const TrackError& error) {
    return error;
  }
  return std::nullopt;
}

// The message of the TrackError that `action` throws, or "" when it throws none.
template <typename Action>
std::string TrackErrorOf(Action action) {
  const std::optional<TrackError> error = CaughtTrackError(action);
  return error ? error->what() : "";
}

// Writes `bytes` to a file, and reads a whole file back.
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

// A fresh, empty folder for one test, ending with '/'.
std::string ScratchFolder(const std::string& name);

}  // namespace quorlin::testing

#endif  // QUORLIN_TESTS_SONG_BUILDER_H_
