#include "frontend/run_track.h"

#include <functional>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/convert_effect.h"
#include "convert/convert_song.h"
#include "format/format.h"
#include "format/song_base.h"
#include "format/track_error.h"
#include "frontend/file_system.h"
#include "frontend/output_guard.h"
#include "frontend/report_text.h"
#include "frontend/version.h"
#include "rom/rom_image.h"
#include "smps2asm/writer.h"

namespace quorlin {
namespace {

// The largest source track read: ten times the largest song file of a
// disassembly would fill about 550 KB.
constexpr std::size_t kLargestSource = 8 << 20;

std::vector<std::uint8_t> ReadTrack(const TrackJob& job) {
  const bool source = job.input_format == SongFormat::kAsm;
  const std::size_t limit = source ? kLargestSource : kCartridgeSpace;
  try {
    std::vector<std::uint8_t> bytes = ReadFileBytes(job.input, limit + 1);
    if (bytes.size() > limit) {
      throw TrackError(ErrorKind::kSizeLimit,
                       source ? "the source is larger than 8 MiB, more than any song file holds"
                              : "the file is larger than 4 MiB, more than a cartridge holds");
    }
    return bytes;
  } catch (const FileError& error) {
    throw TrackError(ErrorKind::kFile,
                     std::string("could not open the file (") + error.what() + ")");
  }
}

// A track's bytes, whether they are an effect's, the prefix of the labels a
// written source keeps, and the driver placed where the track's first byte
// lies. A binary track is an effect when its header reads as one of the
// run's effects; a source track when its header macros are an effect's.
struct LoadedTrack {
  std::vector<std::uint8_t> bytes;
  bool effect = false;
  std::string label_prefix;
  Driver driver;
};

// A source track is assembled at the address given, or the driver's own; a
// song's bytes lie at the address given, or the one its pointers show.
LoadedTrack LoadTrack(const TrackJob& job, std::vector<std::uint8_t> track) {
  const Driver& driver = *job.driver;
  if (job.input_format == SongFormat::kBin) {
    if (job.effects && IsEffect(*job.effects, track)) {
      return {std::move(track), true, LabelPrefixFor(job.file_name), driver};
    }
    std::int64_t address = 0;
    if (job.base) {
      address = *job.base;
    } else if (driver.placement.by_address) {
      address = FindSongAddress(driver, track);
    }
    return {std::move(track), false, LabelPrefixFor(job.file_name), driver.AtAddress(address)};
  }
  const Driver placed = driver.AtAddress(job.base.value_or(driver.placement.default_base));
  const std::string_view source(reinterpret_cast<const char*>(track.data()), track.size());
  AssembledSong song = AssembleSource(placed, source, job.defines);
  if (song.label_prefix.empty()) song.label_prefix = LabelPrefixFor(job.file_name);
  return {std::move(song.bytes), song.effect, std::move(song.label_prefix), placed};
}

// The first line of a written source, a comment, names the track as the
// console does, so that a line break in the name cannot end the comment.
std::string SourceComment(const TrackJob& job, std::string_view what) {
  return "The reversed " + std::string(what) + " of " + Printable(job.file_name) +
         ", written by Quorlin " + kVersion;
}

// The reversal in the form asked for: bytes, or source as the disassembly
// keeps songs and effects.
void WriteReversal(const TrackJob& job, std::span<const std::uint8_t> bytes,
                   const std::function<std::string()>& source, RunOutputs& outputs) {
  if (job.output_format == SongFormat::kBin)
    return WriteOutput(job, job.output_name, bytes, outputs);
  const std::string text = source();
  WriteOutput(job, job.output_name,
              {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, outputs);
}

void RunEffect(const TrackJob& job, const LoadedTrack& track, RunOutputs& outputs, TrackRun& run) {
  // Only the drivers whose effects the tool knows read a track as one.
  if (job.effects == nullptr) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     std::string("the track is a sound effect; the tool reads no ") +
                         job.driver->name + " sound effects");
  }
  const EffectFormat& effects = *job.effects;
  ConvertOptions options;
  options.compact = job.compact;
  options.on_effect_header = [&run](const EffectHeader& header) { run.effect = header; };
  options.on_voice_count = [&run](int voice_count) { run.voice_count = voice_count; };
  const ConvertedEffect converted = ConvertEffect(effects, track.bytes, options);
  // An effect's lists are not dumped: the dumps lay out a song's channels.
  if (job.asked_for_dumps) run.notice = "--dumps does not apply to an effect: no dumps are written";
  WriteReversal(
      job, converted.bytes,
      [&] {
        return WriteEffectSource(effects, converted.bytes, track.label_prefix,
                                 SourceComment(job, "effect"));
      },
      outputs);
  run.converted = run.written = true;
}

void RunSong(const TrackJob& job, std::vector<std::uint8_t> file, RunOutputs& outputs,
             TrackRun& run) {
  const LoadedTrack loaded = LoadTrack(job, std::move(file));
  if (loaded.effect) return RunEffect(job, loaded, outputs, run);
  std::optional<FileDumpSink> dumps;
  if (job.write_dumps) dumps.emplace(job.song_folder, outputs, run.dumps.emplace());
  ConvertOptions options;
  options.compact = job.compact;
  // The report values are kept as soon as they are known, so that the report
  // shows them even when a later stage refuses the track.
  options.on_song_header = [&run](const SongHeader& header) { run.song = header; };
  options.on_voice_count = [&run](int voice_count) { run.voice_count = voice_count; };
  ConvertedSong converted =
      ConvertSong(loaded.driver, loaded.bytes, options, dumps ? &*dumps : nullptr);
  run.notice = std::move(converted.notice);
  WriteReversal(
      job, converted.bytes,
      [&] {
        return WriteSource(loaded.driver, converted.bytes, loaded.label_prefix,
                           SourceComment(job, "song"));
      },
      outputs);
  run.converted = run.written = true;
}

// A game image: every song of its music table reversed into a copy of it,
// under the image's own file name.
void RunRom(const TrackJob& job, std::span<const std::uint8_t> rom, RunOutputs& outputs,
            TrackRun& run) {
  CheckRomImage(rom);
  RomRun& game = run.rom.emplace();
  game.size = rom.size();
  game.ignored_source = job.asked_for_source;
  game.ignored_dumps = job.asked_for_dumps;
  const ReversedRom& reversed = game.reversed.emplace(ReverseRom(*job.driver, rom, {}, job.effects));
  // The image would be the input again: nothing is written.
  if (reversed.reversed == 0 && reversed.effects_reversed == 0) {
    throw TrackError(ErrorKind::kMalformedTrack, "no song of the ROM was reversed; nothing is written");
  }
  WriteOutput(job, job.file_name, reversed.image, outputs);
  run.written = true;
  run.converted = reversed.reversed == static_cast<int>(reversed.songs.size()) &&
                  reversed.effects_reversed == static_cast<int>(reversed.effects.size());
}

}  // namespace

TrackRun RunTrack(const TrackJob& job, RunOutputs& outputs) {
  TrackRun run;
  try {
    std::vector<std::uint8_t> file = ReadTrack(job);
    // A source track is source, whatever its bytes.
    const bool binary = job.input_format == SongFormat::kBin;
    if (binary) {
      if (const auto form = OtherDumpForm(file)) {
        throw TrackError(ErrorKind::kMalformedTrack, "the file is " + *form);
      }
    }
    if (binary && IsMegaDriveRom(file)) {
      if (!job.driver->game_images) {
        throw TrackError(ErrorKind::kMalformedTrack,
                         std::string("the file is a game image; the tool reads no ") +
                             job.driver->name + " game images");
      }
      RunRom(job, file, outputs, run);
    } else {
      RunSong(job, std::move(file), outputs, run);
    }
  } catch (const TrackError& error) {
    run.error = error.what();
  } catch (const std::bad_alloc&) {
    run.error = "not enough memory to convert the track";
  }
  return run;
}

}  // namespace quorlin
