// Times the in-memory conversion of each track of the set. With
// --write-tracks=DIR it writes the set as files instead, so that the
// executable can be measured on them (peak memory: bench/measure.sh).
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <iostream>

#include "compact/compact_channel.h"
#include "convert/convert_song.h"
#include "format/bytes.h"
#include "format/track_error.h"
#include "rom/reverse_rom.h"
#include "smps2asm/writer.h"
#include "track_set.h"

namespace {

using quorlin::testing::Bytes;

// Converts or refuses the track, as the tool does; returns whether it converted.
bool ConvertTrack(const Bytes& bytes, bool compact) {
  quorlin::ConvertOptions options;
  options.compact = compact;
  try {
    benchmark::DoNotOptimize(quorlin::ConvertSong(quorlin::kSonic1Driver, bytes, options));
    return true;
  } catch (const quorlin::TrackError&) {
    return false;
  }
}

// Reverses a game image, or refuses it, as the tool does; the label tells
// which, and how many songs its table held.
void BM_ReverseRom(benchmark::State& state, const Bytes& rom) {
  std::string result;
  for (auto _ : state) {
    try {
      const quorlin::ReversedRom reversed = quorlin::ReverseRom(quorlin::kSonic1Driver, rom);
      result = std::to_string(reversed.reversed) + " of " + std::to_string(reversed.songs.size()) +
               " songs reversed";
    } catch (const quorlin::TrackError& error) {
      result = error.what();
    }
  }
  state.SetLabel(result);
}

void BM_Convert(benchmark::State& state, const Bytes& bytes, bool compact) {
  bool converted = false;
  for (auto _ : state) converted = ConvertTrack(bytes, compact);
  state.SetLabel(converted ? "converted" : "refused");
}

// The largest channel of a song's plain reversal: its data, up to the next
// channel's or the end of the song.
struct LargestChannel {
  Bytes events;
  quorlin::ChannelHeader header;
  std::uint8_t divider = 1;
};

LargestChannel LargestChannelOf(const Bytes& track) {
  const Bytes song = quorlin::testing::Reversed(track);
  const auto header = quorlin::ReadSongHeader(quorlin::kSonic1Driver, song);
  const auto channels = quorlin::ReadChannelHeaders(quorlin::kSonic1Driver, song, header);
  LargestChannel largest;
  largest.divider = header.tempo_divider;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    const std::size_t end = i + 1 < channels.size() ? channels[i + 1].data_offset : song.size();
    if (end - channels[i].data_offset > largest.events.size()) {
      largest.events.assign(song.begin() + channels[i].data_offset, song.begin() + end);
      largest.header = channels[i];
    }
  }
  return largest;
}

void BM_CompactChannel(benchmark::State& state, const LargestChannel& channel) {
  std::size_t size = 0;
  for (auto _ : state) {
    size = quorlin::ChannelCompactor(quorlin::kSonic1Driver, channel.divider)
               .Compact(channel.events, channel.header)
               .size();
  }
  state.SetLabel(std::to_string(channel.events.size()) + " -> " + std::to_string(size) + " bytes");
}

}  // namespace

int main(int argc, char** argv) {
  auto set = quorlin::bench::OrdinarySongs();
  for (auto& track : quorlin::bench::StressTracks(QUORLIN_SOURCE_DIR "/examples")) {
    set.push_back(std::move(track));
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--write-tracks=", 15) == 0) {
      const std::string folder = argv[i] + 15;
      for (const auto& track : set) {
        quorlin::testing::WriteFile(folder + "/" + track.name + ".bin", track.bytes);
      }
      // The ordinary songs as SMPS2ASM source too, as a disassembly keeps them.
      for (const auto& track : quorlin::bench::OrdinarySongs()) {
        const std::string source =
            quorlin::WriteSource(quorlin::kSonic1Driver, track.bytes, track.name, track.name);
        quorlin::testing::WriteFile(folder + "/" + track.name + ".asm",
                                    Bytes(source.begin(), source.end()));
      }
      for (const auto& rom : quorlin::bench::CraftedRoms()) {
        quorlin::testing::WriteFile(folder + "/" + rom.name + ".gen", rom.bytes);
      }
      const auto game = quorlin::bench::GameRom();
      quorlin::testing::WriteFile(folder + "/" + game.name + ".gen", game.bytes);
      const auto source = quorlin::bench::LargeSource();
      quorlin::testing::WriteFile(folder + "/" + source.name + ".asm", source.bytes);
      return 0;
    }
  }
  for (const auto& track : set) {
    benchmark::RegisterBenchmark(track.name.c_str(), BM_Convert, track.bytes, false)
        ->Unit(benchmark::kMillisecond);
  }
  // Compaction: each ordinary song converted with it, and the largest
  // channel of the game's songs where a copy of them lies beside the checkout.
  std::vector<std::pair<std::string, Bytes>> compacted;
  for (const auto& track : quorlin::bench::OrdinarySongs()) {
    compacted.emplace_back(track.name + "_compact", track.bytes);
  }
  const std::filesystem::path game = QUORLIN_SOURCE_DIR "/../shared/songs";
  std::vector<Bytes> game_songs;
  if (std::filesystem::is_directory(game)) {
    for (const auto& entry : std::filesystem::directory_iterator(game)) {
      if (entry.path().extension() != ".bin") continue;
      game_songs.push_back(quorlin::testing::ReadFile(entry.path().string()));
      compacted.emplace_back("game_" + entry.path().stem().string() + "_compact",
                             game_songs.back());
      compacted.emplace_back("game_" + entry.path().stem().string(), game_songs.back());
    }
  }
  for (const auto& [name, bytes] : compacted) {
    benchmark::RegisterBenchmark(name.c_str(), BM_Convert, bytes, name.ends_with("_compact"))
        ->Unit(benchmark::kMillisecond);
  }
  // Game images: the game-like one, then the ones built against the search.
  static const auto roms = [] {
    auto all = quorlin::bench::CraftedRoms();
    all.insert(all.begin(), quorlin::bench::GameRom());
    return all;
  }();
  for (const auto& rom : roms) {
    benchmark::RegisterBenchmark(rom.name.c_str(), BM_ReverseRom, rom.bytes)
        ->Unit(benchmark::kMillisecond);
  }
  LargestChannel largest;
  for (const Bytes& song : game_songs) {
    LargestChannel channel = LargestChannelOf(song);
    if (channel.events.size() > largest.events.size()) largest = std::move(channel);
  }
  if (!largest.events.empty()) {
    benchmark::RegisterBenchmark("compact_largest_game_channel", BM_CompactChannel, largest)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
