// Times the in-memory conversion of each track of the set. With
// --write-tracks=DIR it writes the set as files instead, so that the
// executable can be measured on them (peak memory: bench/measure.sh).
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>

#include "format/track_error.h"
#include "track_set.h"

namespace {

// Converts or refuses the track, as the tool does; returns whether it converted.
bool ConvertTrack(const quorlin::testing::Bytes& bytes) {
  try {
    benchmark::DoNotOptimize(quorlin::testing::Reversed(bytes));
    return true;
  } catch (const quorlin::TrackError&) {
    return false;
  }
}

void BM_Convert(benchmark::State& state, const quorlin::testing::Bytes& bytes) {
  bool converted = false;
  for (auto _ : state) converted = ConvertTrack(bytes);
  state.SetLabel(converted ? "converted" : "refused");
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
      const auto source = quorlin::bench::LargeSource();
      quorlin::testing::WriteFile(folder + "/" + source.name + ".asm", source.bytes);
      return 0;
    }
  }
  for (const auto& track : set) {
    benchmark::RegisterBenchmark(track.name.c_str(), BM_Convert, track.bytes)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
