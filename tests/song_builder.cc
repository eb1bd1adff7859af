#include "song_builder.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "convert/convert_effect.h"
#include "convert/convert_song.h"
#include "format/bytes.h"
#include "format/events.h"
#include "format/sonic1_effects.h"

namespace quorlin::testing {

Bytes Hex(std::string_view text) {
  Bytes bytes;
  std::string digits;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() == 2) {
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits, nullptr, 16)));
      digits.clear();
    }
  }
  if (!digits.empty()) throw std::invalid_argument("odd number of hex digits");
  return bytes;
}

std::string ToHex(const Bytes& bytes) {
  std::string text;
  char byte[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(byte, sizeof byte, "%02X", b);
    if (!text.empty()) text += ' ';
    text += byte;
  }
  return text;
}

SongBuilder& SongBuilder::Divider(std::uint8_t divider) {
  divider_ = divider;
  return *this;
}
SongBuilder& SongBuilder::Tempo(std::uint8_t tempo) {
  tempo_ = tempo;
  return *this;
}
SongBuilder& SongBuilder::Voices(int count) {
  voices_ = count;
  return *this;
}
SongBuilder& SongBuilder::Dac(Bytes data) {
  channels_.push_back({ChannelKind::kDac, std::move(data), 0, 0, 0});
  return *this;
}
SongBuilder& SongBuilder::Fm(Bytes data, std::uint8_t transpose, std::uint8_t volume) {
  channels_.push_back({ChannelKind::kFm, std::move(data), transpose, volume, 0});
  return *this;
}
SongBuilder& SongBuilder::Psg(Bytes data, std::uint8_t transpose, std::uint8_t volume,
                              std::uint8_t voice) {
  channels_.push_back({ChannelKind::kPsg, std::move(data), transpose, volume, voice});
  return *this;
}

namespace {

std::size_t EntrySize(ChannelKind kind) {
  return static_cast<std::size_t>(kSonic1Driver.Entry(kind).size);
}

}  // namespace

Bytes SongBuilder::Build() const {
  int fm = 0, psg = 0;
  std::size_t headers = kSonic1Driver.song_header.size;
  for (const Channel& c : channels_) {
    fm += c.kind != ChannelKind::kPsg;
    psg += c.kind == ChannelKind::kPsg;
    headers += EntrySize(c.kind);
  }
  Bytes song(headers);
  song[2] = static_cast<std::uint8_t>(fm);
  song[3] = static_cast<std::uint8_t>(psg);
  song[4] = divider_;
  song[5] = tempo_;
  std::size_t header = kSonic1Driver.song_header.size;
  for (const Channel& c : channels_) {
    WriteBigEndian16(song, header, static_cast<std::uint16_t>(song.size()));
    song[header + 2] = c.transpose;
    song[header + 3] = c.volume;
    if (c.kind == ChannelKind::kPsg) song[header + 5] = c.voice;
    header += EntrySize(c.kind);
    song.insert(song.end(), c.data.begin(), c.data.end());
  }
  WriteBigEndian16(song, 0, static_cast<std::uint16_t>(song.size()));
  for (int i = 0; i < voices_ * kVoiceRecordSize; ++i) song.push_back(static_cast<std::uint8_t>(i));
  return song;
}

Bytes SharedDataSong(int fm, int psg, const Bytes& data, std::uint8_t divider) {
  const std::size_t data_at = kSonic1Driver.song_header.size +
                              EntrySize(ChannelKind::kFm) * (1 + fm) +
                              EntrySize(ChannelKind::kPsg) * psg;
  Bytes song(data_at + data.size() + kVoiceRecordSize);
  WriteBigEndian16(song, 0, static_cast<std::uint16_t>(data_at + data.size()));
  song[2] = static_cast<std::uint8_t>(1 + fm);
  song[3] = static_cast<std::uint8_t>(psg);
  song[4] = divider;
  song[5] = 3;
  std::size_t header = kSonic1Driver.song_header.size;
  for (int i = 0; i < 1 + fm + psg; ++i) {
    WriteBigEndian16(song, header, static_cast<std::uint16_t>(data_at));
    header += EntrySize(i <= fm ? ChannelKind::kFm : ChannelKind::kPsg);
  }
  std::copy(data.begin(), data.end(), song.begin() + static_cast<std::ptrdiff_t>(data_at));
  return song;
}

Bytes GameImage(std::size_t table_at, const std::vector<Bytes>& songs,
                const std::vector<int>& entries, std::size_t size) {
  Bytes rom(size, 0xFF);
  const std::string name = "SEGA MEGA DRIVE ";
  std::copy(name.begin(), name.end(), rom.begin() + 0x100);
  std::vector<std::uint32_t> addresses;
  std::size_t at = 0x1000;
  for (const Bytes& song : songs) {
    addresses.push_back(static_cast<std::uint32_t>(at));
    std::copy(song.begin(), song.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
    at = (at + song.size() + 1) & ~std::size_t{1};
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    WriteBigEndian32(rom, table_at + 4 * i, entries[i] < 0 ? 0x0FF1 : addresses[entries[i]]);
  }
  return rom;
}

FlatChannel ChannelWith(Bytes events, const Bytes& note_dividers) {
  FlatChannel channel;
  channel.events = std::move(events);
  for (std::uint8_t divider : note_dividers) AddNotes(channel.divider_runs, divider, 1);
  if (!note_dividers.empty()) return channel;
  for (EventReader reader(kSonic1Driver, channel.events); !reader.Done();) {
    if (reader.Next().kind != EventKind::kFlag) AddNotes(channel.divider_runs, 1, 1);
  }
  return channel;
}

Bytes Reversed(const Bytes& track) { return ConvertSong(kSonic1Driver, track).bytes; }

void CapturingSink::Write(const std::string& name, std::span<const std::uint8_t> bytes) {
  names.push_back(name);
  files[name] = Bytes(bytes.begin(), bytes.end());
}

Dumped ConvertWithDumps(const Bytes& track) {
  Dumped dumped;
  dumped.output = ConvertSong(kSonic1Driver, track, {}, &dumped.sink).bytes;
  return dumped;
}

// A channel's dump file: the reversed list from 0x0000, its length in the
// word at 0x7FFE, the converted list from 0x8000.
std::string ReversedListIn(const Bytes& dump_file) {
  const std::size_t length = ReadBigEndian16(dump_file, 0x7FFE);
  return ToHex(Bytes(dump_file.begin(), dump_file.begin() + length));
}

std::string ConvertedListIn(const Bytes& dump_file) {
  const std::size_t length = ReadBigEndian16(dump_file, 0x7FFE);
  const auto work = dump_file.begin() + 0x8000;
  return ToHex(Bytes(work, work + length));
}

Walk WalkChannel(ChannelKind kind, const Bytes& data, std::int32_t target, std::uint8_t divider) {
  ChannelHeader header;
  header.kind = kind;
  WalkSettings settings;
  settings.target = target;
  settings.song_divider = divider;
  WalkResult walk = ChannelWalker(kSonic1Driver).Walk(header, data, settings);
  return {std::move(walk.channel.events), walk.clock};
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ScratchFolder(const std::string& name) {
  const auto folder = std::filesystem::temp_directory_path() / "quorlin_tests" / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string() + "/";
}

Bytes Effect(const std::vector<EffectTrackData>& tracks, int voices) {
  std::size_t size = 4 + 6 * tracks.size();
  for (const EffectTrackData& track : tracks) size += track.data.size();
  Bytes effect(size + static_cast<std::size_t>(voices) * kVoiceRecordSize);
  WriteBigEndian16(effect, 0, static_cast<std::uint16_t>(size));
  effect[2] = 0x01;
  effect[3] = static_cast<std::uint8_t>(tracks.size());
  std::size_t entry = 4, at = 4 + 6 * tracks.size();
  for (const EffectTrackData& track : tracks) {
    effect[entry] = 0x80;
    effect[entry + 1] = track.id;
    WriteBigEndian16(effect, entry + 2, static_cast<std::uint16_t>(at));
    effect[entry + 4] = track.transpose;
    effect[entry + 5] = track.volume;
    std::copy(track.data.begin(), track.data.end(),
              effect.begin() + static_cast<std::ptrdiff_t>(at));
    entry += 6;
    at += track.data.size();
  }
  for (std::size_t i = size; i < effect.size(); ++i)
    effect[i] = static_cast<std::uint8_t>(i - size);
  return effect;
}

Bytes ReversedEffect(const Bytes& effect, bool compact) {
  ConvertOptions options;
  options.compact = compact;
  return ConvertEffect(kSonic1Effects, effect, options).bytes;
}

}  // namespace quorlin::testing
