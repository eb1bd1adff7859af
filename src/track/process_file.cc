#include "track/process_file.h"

#include <cstdio>
#include <new>

#include "diagnostics/debug_mode.h"
#include "diagnostics/dump.h"
#include "track/conversion.h"
#include "track/file_system.h"
#include "track/track_error.h"

namespace quorlin {
namespace {

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

void Convert(const TrackPaths& paths, std::vector<std::uint8_t> image, std::ostream& console,
             bool write_dumps) {
  Conversion conversion(std::move(image));
  const SongHeader& song = conversion.song();
  console << "    Channels; DAC " << Hex(SongHeader::kDacCount) << " FM " << Hex(song.fm_count)
          << " PSG " << Hex(song.psg_count) << "\n";
  console << "    Tempo; Divide " << Hex(song.tempo_divider) << " Frame " << Hex(song.tempo)
          << "\n";
  conversion.Flatten();
  console << "    Voices detected; " << Hex(conversion.voice_count()) << "\n";
  conversion.CopyVoices();
  conversion.Reverse();
  if (write_dumps) {
    FileDumpSink sink(paths.song_folder, console);
    WriteDumps(conversion, sink);
  }
  const std::vector<std::uint8_t> output = conversion.Assemble();

  const std::string output_path = paths.output_folder + paths.file_name;
  // A track dropped from the Output folder would be replaced by its own reversal.
  if (IsSameFile(output_path, paths.input)) {
    throw TrackError("the output " + output_path +
                     " would replace the source track itself; the track is left unchanged");
  }
  if (!WriteFileWhole(output_path, output)) {
    throw TrackError("could not write the output file " + output_path);
  }
}

}  // namespace

void ProcessFile(const TrackPaths& paths, std::ostream& console) {
  ProcessFile(paths, console, DebugMode != 0);
}

void ProcessFile(const TrackPaths& paths, std::ostream& console, bool write_dumps) {
  console << "\n -> " << paths.file_name << "\n";
  auto image = ReadFileBytes(paths.input, kReachableTrackBytes);
  if (!image) {
    console << "    Error; could not open the file\n";
    return;
  }
  try {
    Convert(paths, std::move(*image), console, write_dumps);
  } catch (const TrackError& error) {
    console << "    Error; " << error.what() << "\n";
  } catch (const std::bad_alloc&) {
    console << "    Error; not enough memory to convert the track\n";
  }
  console.flush();
}

}  // namespace quorlin
