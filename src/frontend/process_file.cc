#include "frontend/process_file.h"

#include <cstdio>
#include <new>

#include "convert/convert_song.h"
#include "format/format.h"
#include "format/track_error.h"
#include "frontend/file_dump_sink.h"
#include "frontend/file_system.h"

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
void WriteOutput(const TrackPaths& paths, std::span<const std::uint8_t> song, RunOutputs& outputs) {
  const std::string output_path = paths.output_folder + paths.file_name;
  // A track dropped from the output folder would be replaced by its own reversal.
  if (IsSameFile(output_path, paths.input)) {
    throw TrackError("the output " + output_path +
                     " would replace the source track itself; the track is left unchanged");
  }
  if (const auto earlier = outputs.WriterOf(output_path)) {
    throw TrackError("the output " + output_path + " was written for " + *earlier +
                     " earlier in this run; it is kept and this track is not converted");
  }
  try {
    CreateFolder(paths.output_folder);
  } catch (const FileError& error) {
    throw TrackError("could not create the output folder " + paths.output_folder + " (" +
                     error.what() + ")");
  }
  try {
    WriteFileWhole(output_path, song);
  } catch (const FileError& error) {
    throw TrackError("could not write the output file " + output_path + " (" + error.what() + ")");
  }
  outputs.Add(output_path, paths.input);
}

}  // namespace

std::optional<std::string> RunOutputs::WriterOf(const std::string& output_path) const {
  for (const auto& [path, track] : written_) {
    // Two spellings of one file count too (letter case on Windows).
    if (path == output_path || IsSameFile(path, output_path)) return track;
  }
  return std::nullopt;
}

void RunOutputs::Add(std::string output_path, std::string track) {
  written_.emplace_back(std::move(output_path), std::move(track));
}

bool ProcessFile(const TrackPaths& paths, std::ostream& console, bool write_dumps,
                 RunOutputs& outputs) {
  console << "\n -> " << paths.file_name << "\n";
  bool written = false;
  try {
    std::vector<std::uint8_t> track;
    try {
      track = ReadFileBytes(paths.input, kReachableTrackBytes);
    } catch (const FileError& error) {
      throw TrackError(std::string("could not open the file (") + error.what() + ")");
    }
    std::optional<FileDumpSink> dumps;
    if (write_dumps) dumps.emplace(paths.song_folder, console);
    const ConvertedSong converted =
        ConvertSong(track, ReportingOptions(console), dumps ? &*dumps : nullptr);
    WriteOutput(paths, converted.bytes, outputs);
    written = true;
  } catch (const TrackError& error) {
    console << "    Error; " << error.what() << "\n";
  } catch (const std::bad_alloc&) {
    console << "    Error; not enough memory to convert the track\n";
  }
  console.flush();
  return written;
}

}  // namespace quorlin
