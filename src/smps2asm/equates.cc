#include "smps2asm/equates.h"

#include <array>
#include <span>
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

using Equate = std::pair<std::string_view, std::int64_t>;

constexpr Equate kDacSamples[] = {
    {"dKick", 0x81},       {"dSnare", 0x82},      {"dTimpani", 0x83},     {"dHiTimpani", 0x88},
    {"dMidTimpani", 0x89}, {"dLowTimpani", 0x8A}, {"dVLowTimpani", 0x8B},
};
// The Sonic 2 driver's samples: the names carry over, the bytes do not
// (dTimpani is $85 here).
constexpr Equate kSonic2DacSamples[] = {
    {"dKick", 0x81},       {"dSnare", 0x82},      {"dClap", 0x83},        {"dScratch", 0x84},
    {"dTimpani", 0x85},    {"dHiTom", 0x86},      {"dVLowClap", 0x87},    {"dHiTimpani", 0x88},
    {"dMidTimpani", 0x89}, {"dLowTimpani", 0x8A}, {"dVLowTimpani", 0x8B}, {"dMidTom", 0x8C},
    {"dLowTom", 0x8D},     {"dFloorTom", 0x8E},   {"dHiClap", 0x8F},      {"dMidClap", 0x90},
    {"dLowClap", 0x91},
};

std::span<const Equate> DacSamples(int driver_version) {
  if (driver_version == 2) return kSonic2DacSamples;
  return kDacSamples;
}

// The PSG envelopes that have a name: the driver's own.
int LastPsgEnvelope(int driver_version) { return driver_version == 2 ? 0x0D : 0x09; }

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
    {"SMPS2ASMVer", 1}, {"smpsPitch00", 0x00},
};

// The other names of driver 2's include for a note, by semitone from the
// octave's C (Cb is the B below it, Bs the C above).
constexpr std::pair<std::string_view, int> kEnharmonicNames[] = {
    {"Db", 1}, {"Ds", 3},  {"Fb", 4},  {"Es", 5},  {"Gb", 6},
    {"Gs", 8}, {"As", 10}, {"Cb", -1}, {"Bs", 12},
};

// "nC4", "nBb7": n, a note name, an octave.
std::optional<std::int64_t> Note(std::string_view name, int driver_version) {
  if (name.size() < 3 || name[0] != 'n') return std::nullopt;
  const char octave = name.back();
  if (octave < '0' || octave > '7') return std::nullopt;
  const std::string_view note = name.substr(1, name.size() - 2);
  std::optional<int> semitone;
  for (std::size_t i = 0; i < kNoteNames.size(); ++i) {
    if (kNoteNames[i] == note) semitone = static_cast<int>(i);
  }
  if (driver_version == 2) {
    for (const auto& [other, step] : kEnharmonicNames) {
      if (other == note) semitone = step;
    }
  }
  if (!semitone) return std::nullopt;
  const int value = kNotes.first_note + 12 * (octave - '0') + *semitone;
  if (value < kNotes.first_note || value > kNotes.last_note) return std::nullopt;
  return value;
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

std::optional<std::int64_t> Find(std::span<const Equate> table, std::string_view name) {
  for (const auto& [entry, value] : table) {
    if (entry == name) return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> IncludedEquate(std::string_view name, int driver_version) {
  if (const auto note = Note(name, driver_version)) return note;
  if (const auto sample = Find(DacSamples(driver_version), name)) return sample;
  if (name.size() == 8 && name.starts_with("fTone_0")) {
    for (int envelope = 1; envelope <= LastPsgEnvelope(driver_version); ++envelope) {
      if (name == *PsgEnvelopeName(static_cast<std::uint8_t>(envelope), driver_version)) {
        return envelope;
      }
    }
  }
  if (const auto step = OctaveStep(name)) return step;
  if (name == "SonicDriverVer") return driver_version;
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

std::optional<std::string_view> DacSampleName(std::uint8_t sample, int driver_version) {
  for (const auto& [name, value] : DacSamples(driver_version)) {
    if (value == sample) return name;
  }
  return std::nullopt;
}

std::optional<std::string> PsgEnvelopeName(std::uint8_t envelope, int driver_version) {
  if (envelope < 1 || envelope > LastPsgEnvelope(driver_version)) return std::nullopt;
  std::string name = "fTone_0";
  name += "0123456789ABCDEF"[envelope];
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
