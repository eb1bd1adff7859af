#include "smps2asm/equates.h"

#include <array>
#include <utility>

#include "format/sonic1_driver.h"
#include "smps2asm/source_style.h"

namespace quorlin {
namespace {

constexpr std::array<std::string_view, 12> kNoteNames = {"C",  "Cs", "D",  "Eb", "E",  "F",
                                                         "Fs", "G",  "Ab", "A",  "Bb", "B"};
// The include file names the Sonic 1 driver's notes: nRst its rest, nC0
// its first note.
constexpr const NoteRange& kNotes = kSonic1Driver.notes;

constexpr std::pair<std::string_view, std::int64_t> kDacSamples[] = {
    {"dKick", 0x81},       {"dSnare", 0x82},      {"dTimpani", 0x83},     {"dHiTimpani", 0x88},
    {"dMidTimpani", 0x89}, {"dLowTimpani", 0x8A}, {"dVLowTimpani", 0x8B},
};

constexpr std::pair<std::string_view, std::int64_t> kPans[] = {
    {"panNone", 0x00},   {"panRight", 0x40},  {"panLeft", 0x80},
    {"panCentre", 0xC0}, {"panCenter", 0xC0},
};

// The channel ids of sound effect entries.
constexpr std::pair<std::string_view, std::int64_t> kChannels[] = {
    {"cPSG1", 0x80}, {"cPSG2", 0xA0}, {"cPSG3", 0xC0}, {"cNoise", 0xE0},
    {"cFM3", 0x02},  {"cFM4", 0x04},  {"cFM5", 0x05},  {"cFM6", 0x06},
};

constexpr std::pair<std::string_view, std::int64_t> kOthers[] = {
    {"nRst", 0x80},     {"nMaxPSG", 0xC6},      {"nMaxPSG1", 0xD2},
    {"nMaxPSG2", 0xD2}, {"smpsNoAttack", 0xE7}, {"psgdelta", 12},
    {"SMPS2ASMVer", 1}, {"SonicDriverVer", 1},  {"smpsPitch00", 0x00},
};

// "nC4", "nBb7": n, a note name, an octave.
std::optional<std::int64_t> Note(std::string_view name) {
  if (name.size() < 3 || name[0] != 'n') return std::nullopt;
  const char octave = name.back();
  if (octave < '0' || octave > '7') return std::nullopt;
  const std::string_view note = name.substr(1, name.size() - 2);
  for (std::size_t i = 0; i < kNoteNames.size(); ++i) {
    if (kNoteNames[i] != note) continue;
    const int value = kNotes.first_note + 12 * (octave - '0') + static_cast<int>(i);
    if (value > kNotes.last_note) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

// "smpsPitch03hi" is 3 octaves up, "smpsPitch03lo" 3 down, as a byte.
std::optional<std::int64_t> OctaveStep(std::string_view name) {
  constexpr std::string_view kPrefix = "smpsPitch";
  if (name.size() != kPrefix.size() + 4 || !name.starts_with(kPrefix)) return std::nullopt;
  const std::string_view digits = name.substr(kPrefix.size(), 2);
  const std::string_view way = name.substr(kPrefix.size() + 2);
  if (digits[0] < '0' || digits[0] > '1' || digits[1] < '0' || digits[1] > '9') {
    return std::nullopt;
  }
  const int octaves = (digits[0] - '0') * 10 + (digits[1] - '0');
  if (octaves < 1 || octaves > 10) return std::nullopt;
  if (way == "hi") return 12 * octaves;
  if (way == "lo") return (256 - 12 * octaves) & 0xFF;
  return std::nullopt;
}

template <std::size_t N>
std::optional<std::int64_t> Find(const std::pair<std::string_view, std::int64_t> (&table)[N],
                                 std::string_view name) {
  for (const auto& [entry, value] : table) {
    if (entry == name) return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> IncludedEquate(std::string_view name) {
  if (const auto note = Note(name)) return note;
  if (const auto sample = Find(kDacSamples, name)) return sample;
  if (name.size() == 8 && name.starts_with("fTone_0") && name[7] >= '1' && name[7] <= '9') {
    return name[7] - '0';
  }
  if (const auto step = OctaveStep(name)) return step;
  if (const auto channel = Find(kChannels, name)) return channel;
  return Find(kOthers, name);
}

std::string ChannelConstant(std::uint8_t id) {
  for (const auto& [name, value] : kChannels) {
    if (value == id) return std::string(name);
  }
  return HexByte(id);
}

std::optional<std::int64_t> PanName(std::string_view name) { return Find(kPans, name); }

std::string_view NoteName(std::uint8_t note) {
  // "nC0" ... "nBb7", each in 4 characters and a zero, made once.
  static constexpr auto kNames = [] {
    std::array<std::array<char, 5>, kNotes.last_note - kNotes.rest> names{};
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::size_t at = 0;
      names[i][at++] = 'n';
      for (const char c : kNoteNames[i % 12]) names[i][at++] = c;
      names[i][at] = static_cast<char>('0' + i / 12);
    }
    return names;
  }();
  if (note == kNotes.rest) return "nRst";
  return kNames[note - kNotes.first_note].data();
}

std::optional<std::string_view> DacSampleName(std::uint8_t sample) {
  for (const auto& [name, value] : kDacSamples) {
    if (value == sample) return name;
  }
  return std::nullopt;
}

std::optional<std::string> PsgEnvelopeName(std::uint8_t envelope) {
  if (envelope < 1 || envelope > 9) return std::nullopt;
  std::string name = "fTone_0";
  name += static_cast<char>('0' + envelope);
  return name;
}

std::string PanNameOf(std::uint8_t pan) {
  switch (pan & 0xC0) {
    case 0x40:
      return "panRight";
    case 0x80:
      return "panLeft";
    case 0xC0:
      return "panCenter";
    default:
      return "panNone";
  }
}

}  // namespace quorlin
