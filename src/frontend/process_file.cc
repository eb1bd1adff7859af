#include "frontend/process_file.h"

#include <cstdio>
#include <new>
#include <optional>

#include "convert/convert_song.h"
#include "format/format.h"
#include "format/track_error.h"
#include "frontend/debug_mode.h"
#include "frontend/file_dump_sink.h"
#include "frontend/file_system.h"

namespace quorlin {
namespace {

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

void Convert(const TrackPaths& paths, const std::vector<std::uint8_t>& track, std::ostream& console,
             bool write_dumps) {
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
  std::optional<FileDumpSink> dumps;
  if (write_dumps) dumps.emplace(paths.song_folder, console);
  const ConvertedSong converted = ConvertSong(track, options, dumps ? &*dumps : nullptr);

  const std::string output_path = paths.output_folder + paths.file_name;
  // A track dropped from the Output folder would be replaced by its own reversal.
  if (IsSameFile(output_path, paths.input)) {
    throw TrackError("the output " + output_path +
                     " would replace the source track itself; the track is left unchanged");
  }
  if (!WriteFileWhole(output_path, converted.bytes)) {
    throw TrackError("could not write the output file " + output_path);
  }
}

}  // namespace

void ProcessFile(const TrackPaths& paths, std::ostream& console) {
  ProcessFile(paths, console, DebugMode != 0);
}

void ProcessFile(const TrackPaths& paths, std::ostream& console, bool write_dumps) {
  console << "\n -> " << paths.file_name << "\n";
  const auto track = ReadFileBytes(paths.input, kReachableTrackBytes);
  if (!track) {
    console << "    Error; could not open the file\n";
    return;
  }
  try {
    Convert(paths, *track, console, write_dumps);
  } catch (const TrackError& error) {
    console << "    Error; " << error.what() << "\n";
  } catch (const std::bad_alloc&) {
    console << "    Error; not enough memory to convert the track\n";
  }
  console.flush();
}

}  // namespace quorlin
