#include "frontend/process_file.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "convert/convert_song.h"
#include "format/format.h"
#include "format/track_error.h"
#include "frontend/file_dump_sink.h"
#include "frontend/file_system.h"
#include "frontend/paths.h"
#include "frontend/version.h"
#include "rom/reverse_rom.h"
#include "rom/rom_image.h"
#include "smps2asm/writer.h"

namespace quorlin {
namespace {

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

ConvertOptions ReportingOptions(std::ostream& console) {
  ConvertOptions options;
  options.on_song_header = [&console](const SongHeader& song) {
    console << "    Channels; DAC " << Hex(SongHeader::kDacCount) << " FM " << Hex(song.fm_count)
            << " PSG " << Hex(song.psg_count) << "\n";
    console << "    Tempo; Divide " << Hex(song.tempo_divider) << " Frame " << Hex(song.tempo)
            << "\n";
  };
  options.on_voice_count = [&console](int voice_count) {
    console << "    Voices detected; " << Hex(voice_count) << "\n";
  };
  return options;
}

// Writes the reversed song, creating the output folder when needed, unless
// that would replace the track itself or the output of an earlier track of
// this run. Throws TrackError, with the system's reason, when it does not.
void WriteOutput(const TrackJob& job, const std::string& output_name,
                 std::span<const std::uint8_t> song, RunOutputs& outputs) {
  const std::string output_path = job.output_folder + output_name;
  // A track dropped from the output folder would be replaced by its own reversal.
  if (IsSameFile(output_path, job.input)) {
    throw TrackError("the output " + output_path +
                     " would replace the source track itself; the track is left unchanged");
  }
  if (const auto earlier = outputs.WriterOf(output_path)) {
    throw TrackError("the output " + output_path + " was written for " + *earlier +
                     " earlier in this run; it is kept and this track is not converted");
  }
  try {
    outputs.PrepareFolder(job.output_folder);
  } catch (const FileError& error) {
    throw TrackError("could not create the output folder " + job.output_folder + " (" +
                     error.what() + ")");
  }
  try {
    WriteFileWhole(output_path, song);
  } catch (const FileError& error) {
    throw TrackError("could not write the output file " + output_path + " (" + error.what() + ")");
  }
  outputs.Add(output_path, job.input);
}

// The largest source track read: ten times the largest song file of a
// disassembly would fill about 550 KB.
constexpr std::size_t kLargestSource = 8 << 20;

std::vector<std::uint8_t> ReadTrack(const TrackJob& job) {
  const bool source = job.input_format == SongFormat::kAsm;
  const std::size_t limit = source ? kLargestSource : kLargestTrack;
  try {
    std::vector<std::uint8_t> bytes = ReadFileBytes(job.input, limit + 1);
    if (bytes.size() > limit) {
      throw TrackError(source ? "the source is larger than 8 MiB, more than any song file holds"
                              : "the file is larger than 4 MiB, more than a cartridge holds");
    }
    return bytes;
  } catch (const FileError& error) {
    throw TrackError(std::string("could not open the file (") + error.what() + ")");
  }
}

// The song's bytes, and the prefix of the labels a written source keeps.
std::pair<std::vector<std::uint8_t>, std::string> LoadSong(const TrackJob& job,
                                                           std::vector<std::uint8_t> track) {
  if (job.input_format == SongFormat::kBin)
    return {std::move(track), LabelPrefixFor(job.file_name)};
  const std::string_view source(reinterpret_cast<const char*>(track.data()), track.size());
  AssembledSong song = AssembleSource(source, job.defines);
  if (song.label_prefix.empty()) song.label_prefix = LabelPrefixFor(job.file_name);
  return {std::move(song.bytes), std::move(song.label_prefix)};
}

// The reversed song as the disassembly keeps songs.
std::string SourceFile(const TrackJob& job, std::span<const std::uint8_t> reversed,
                       const std::string& label_prefix) {
  return WriteSource(reversed, label_prefix,
                     "The reversed song of " + job.file_name + ", written by Quorlin " + kVersion);
}

TrackOutcome ProcessSong(const TrackJob& job, std::vector<std::uint8_t> file, std::ostream& console,
                         RunOutputs& outputs) {
  auto [song, label_prefix] = LoadSong(job, std::move(file));
  std::optional<FileDumpSink> dumps;
  if (job.write_dumps) dumps.emplace(job.song_folder, console);
  ConvertOptions options = ReportingOptions(console);
  options.compact = job.compact;
  ConvertedSong converted = ConvertSong(song, options, dumps ? &*dumps : nullptr);
  if (!converted.notice.empty()) console << "    Notice; " << converted.notice << "\n";
  if (job.output_format == SongFormat::kBin) {
    WriteOutput(job, job.output_name, converted.bytes, outputs);
  } else {
    const std::string source = SourceFile(job, converted.bytes, label_prefix);
    WriteOutput(job, job.output_name,
                {reinterpret_cast<const std::uint8_t*>(source.data()), source.size()}, outputs);
  }
  return {true, true};
}

// "0x071A9C": an address in a game image.
std::string RomAddress(std::uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(address));
  return text;
}

// The report line of one song of a game image.
std::string SongLine(const RomSong& song) {
  const std::string number = Hex(song.number);
  if (song.same_as) return "    Song " + number + "; the same song as " + Hex(*song.same_as);
  if (!song.reversal) {
    return "    Error; song " + number + " at " + RomAddress(song.address) + ": " + song.error;
  }
  const SongHeader& header = song.reversal->song;
  return "    Song " + number + "; DAC " + Hex(SongHeader::kDacCount) + " FM " +
         Hex(header.fm_count) + " PSG " + Hex(header.psg_count) + "; Divide " +
         Hex(header.tempo_divider) + " Frame " + Hex(header.tempo) + "; Voices " +
         Hex(song.reversal->voice_count);
}

// A game image: every song of its music table reversed into a copy of it,
// under the image's own file name.
TrackOutcome ProcessRom(const TrackJob& job, std::span<const std::uint8_t> rom,
                        std::ostream& console, RunOutputs& outputs) {
  CheckRomImage(rom);
  if (job.asked_for_source || job.asked_for_dumps) {
    const std::string options = job.asked_for_source && job.asked_for_dumps
                                    ? "--format asm and --dumps do"
                                : job.asked_for_source ? "--format asm does"
                                                       : "--dumps does";
    console << "    Notice; " << options << " not apply to a ROM: it is written as a ROM\n";
  }
  const ReversedRom reversed = ReverseRom(rom);
  console << "    ROM; music table at "
          << RomAddress(static_cast<std::uint32_t>(reversed.table.offset)) << ", "
          << reversed.songs.size() << " songs\n";
  for (const RomSong& song : reversed.songs) console << SongLine(song) << "\n";
  console << "    ROM; " << reversed.reversed << " of " << reversed.songs.size()
          << " songs reversed, " << rom.size() << " bytes before, " << reversed.image.size()
          << " after\n";
  WriteOutput(job, job.file_name, reversed.image, outputs);
  return {reversed.reversed == static_cast<int>(reversed.songs.size()), true};
}

}  // namespace

std::optional<std::string> RunOutputs::WriterOf(const std::string& output_path) const {
  // Two spellings of one file count too (letter case on Windows).
  const auto file = IdentifyFile(output_path);
  if (!file) return std::nullopt;
  for (const Written& written : written_) {
    if (written.file == *file) return written.track;
  }
  return std::nullopt;
}

void RunOutputs::Add(const std::string& output_path, std::string track) {
  if (const auto file = IdentifyFile(output_path)) written_.push_back({*file, std::move(track)});
}

void RunOutputs::PrepareFolder(const std::string& folder) {
  if (std::find(folders_.begin(), folders_.end(), folder) != folders_.end()) return;
  CreateFolder(folder);
  folders_.push_back(folder);
}

TrackJob JobFor(const std::string& argument, const CommandLine& line,
                const std::string& output_folder, bool write_dumps) {
  TrackJob job;
  job.input = argument;
  job.file_name = FileNameOf(argument);
  job.input_format = FormatOf(job.file_name);
  job.output_format = line.format.value_or(job.input_format);
  job.output_folder = output_folder;
  job.output_name = OutputNameFor(job.file_name, job.output_format);
  job.song_folder = SongFolderFor(argument);
  job.write_dumps = write_dumps;
  job.compact = line.compact;
  job.asked_for_source = line.format == SongFormat::kAsm;
  job.asked_for_dumps = line.dumps;
  job.defines = StandardDefines();
  job.defines.insert(job.defines.end(), line.defines.begin(), line.defines.end());
  return job;
}

TrackOutcome ProcessFile(const TrackJob& job, std::ostream& console, RunOutputs& outputs) {
  console << "\n -> " << job.file_name << "\n";
  TrackOutcome outcome;
  try {
    std::vector<std::uint8_t> file = ReadTrack(job);
    // A source track is source, whatever its bytes.
    const bool binary = job.input_format == SongFormat::kBin;
    if (binary) {
      if (const auto form = OtherDumpForm(file)) throw TrackError("the file is " + *form);
    }
    outcome = binary && IsMegaDriveRom(file) ? ProcessRom(job, file, console, outputs)
                                             : ProcessSong(job, std::move(file), console, outputs);
  } catch (const TrackError& error) {
    console << "    Error; " << error.what() << "\n";
  } catch (const std::bad_alloc&) {
    console << "    Error; not enough memory to convert the track\n";
  }
  console.flush();
  return outcome;
}

}  // namespace quorlin
