#include "frontend/run_track.h"

#include <new>
#include <utility>
#include <vector>

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

// A song's bytes, the prefix of the labels a written source keeps, and the
// driver placed where the song's first byte lies.
struct LoadedSong {
  std::vector<std::uint8_t> bytes;
  std::string label_prefix;
  Driver driver;
};

// A source track is assembled at the address given, or the driver's own; a
// song's bytes lie at the address given, or the one its pointers show.
LoadedSong LoadSong(const TrackJob& job, std::vector<std::uint8_t> track) {
  const Driver& driver = *job.driver;
  if (job.input_format == SongFormat::kBin) {
    std::int64_t address = 0;
    if (job.base) {
      address = *job.base;
    } else if (driver.placement.by_address) {
      address = FindSongAddress(driver, track);
    }
    return {std::move(track), LabelPrefixFor(job.file_name), driver.AtAddress(address)};
  }
  const Driver placed = driver.AtAddress(job.base.value_or(driver.placement.default_base));
  const std::string_view source(reinterpret_cast<const char*>(track.data()), track.size());
  AssembledSong song = AssembleSource(placed, source, job.defines);
  if (song.label_prefix.empty()) song.label_prefix = LabelPrefixFor(job.file_name);
  return {std::move(song.bytes), std::move(song.label_prefix), placed};
}

// The reversed song as the disassembly keeps songs. Its first line, a
// comment, names the track as the console does, so that a line break in the
// name cannot end the comment.
std::string SourceFile(const TrackJob& job, const Driver& driver,
                       std::span<const std::uint8_t> reversed, const std::string& label_prefix) {
  return WriteSource(
      driver, reversed, label_prefix,
      "The reversed song of " + Printable(job.file_name) + ", written by Quorlin " + kVersion);
}

void RunSong(const TrackJob& job, std::vector<std::uint8_t> file, RunOutputs& outputs,
             TrackRun& run) {
  const LoadedSong loaded = LoadSong(job, std::move(file));
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
  if (job.output_format == SongFormat::kBin) {
    WriteOutput(job, job.output_name, converted.bytes, outputs);
  } else {
    const std::string source = SourceFile(job, loaded.driver, converted.bytes, loaded.label_prefix);
    WriteOutput(job, job.output_name,
                {reinterpret_cast<const std::uint8_t*>(source.data()), source.size()}, outputs);
  }
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
  const ReversedRom& reversed = game.reversed.emplace(ReverseRom(*job.driver, rom));
  // The image would be the input again: nothing is written.
  if (reversed.reversed == 0) {
    throw TrackError(ErrorKind::kMalformedTrack, "no song of the ROM was reversed; nothing is written");
  }
  WriteOutput(job, job.file_name, reversed.image, outputs);
  run.written = true;
  run.converted = reversed.reversed == static_cast<int>(reversed.songs.size());
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
