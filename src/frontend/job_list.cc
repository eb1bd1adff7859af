#include "frontend/job_list.h"

#include <algorithm>

#include "frontend/paths.h"

namespace quorlin {

TrackJob JobFor(const std::string& path, const CommandLine& line, const std::string& output_folder,
                bool write_dumps) {
  TrackJob job;
  job.input = path;
  job.file_name = FileNameOf(path);
  job.input_format = FormatOf(job.file_name);
  job.output_format = line.format.value_or(job.input_format);
  job.output_folder = output_folder;
  job.output_name = OutputNameFor(job.file_name, job.output_format);
  job.song_folder = SongFolderFor(path);
  job.driver = line.driver;
  job.effects = line.effects;
  job.base = line.base;
  job.write_dumps = write_dumps;
  job.compact = line.compact;
  job.asked_for_source = line.format == SongFormat::kAsm;
  job.asked_for_dumps = line.dumps;
  job.defines = StandardDefines();
  job.defines.insert(job.defines.end(), line.defines.begin(), line.defines.end());
  return job;
}

JobList ListJobs(const CommandLine& line, const std::string& output_folder, bool write_dumps) {
  JobList list;
  std::vector<std::pair<FileIdentity, std::string>> met;  // each file's first mention
  const auto add = [&](ListedArgument& argument, const std::string& path) {
    ListedTrack track{JobFor(path, line, output_folder, write_dumps), IdentifyFile(path), {}};
    if (track.identity) {
      const auto first = std::find_if(met.begin(), met.end(),
                                      [&](const auto& earlier) { return earlier.first == *track.identity; });
      if (first == met.end()) {
        met.emplace_back(*track.identity, path);
      } else {
        track.same_as = first->second;
      }
    }
    list.any_source |= track.job.input_format == SongFormat::kAsm;
    argument.tracks.push_back(std::move(track));
  };
  for (const std::string& path : line.tracks) {
    ListedArgument& argument = list.arguments.emplace_back();
    argument.argument = path;
    argument.folder = IsFolder(path);
    if (!argument.folder) {
      add(argument, path);
    } else {
      try {
        argument.found = TracksInFolder(path);
      } catch (const FileError& error) {
        argument.folder_error = error.what();
      }
      for (const std::string& track : argument.found.tracks) add(argument, track);
    }
  }
  return list;
}

}  // namespace quorlin
