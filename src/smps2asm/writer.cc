#include "smps2asm/writer.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "format/effect_layout.h"
#include "format/events.h"
#include "format/song_layout.h"
#include "smps2asm/equates.h"
#include "smps2asm/flag_macros.h"
#include "smps2asm/source_style.h"
#include "smps2asm/voice.h"

namespace quorlin {
namespace {

constexpr std::size_t kValuesPerLine = 12;

// What the byte at an address begins.
enum class Role : std::uint8_t {
  kRaw,     // a byte no channel reaches: dc.b $xx
  kInside,  // a byte inside a statement that begins before it
  kHeader,  // the song header and the channel headers
  kVoice,   // a voice record
  kNote,    // a note, rest or duration
  kFlag,    // a coordination flag with its parameters
};

class SourceWriter {
 public:
  SourceWriter(const Driver& driver, std::span<const std::uint8_t> song, std::string prefix,
               const EffectFormat* effect = nullptr)
      : driver_(driver),
        version_(driver.source.driver_version),
        effect_(effect),
        reader_(driver, song),
        song_(song),
        prefix_(std::move(prefix)),
        roles_(song.size(), Role::kRaw),
        dac_(song.size(), 0) {}

  std::string Run(const std::string& comment) {
    std::vector<ChannelHeader> channels;
    std::vector<std::string> names;
    std::optional<SongHeader> song;
    std::optional<EffectHeader> effect;
    if (effect_ != nullptr) {
      effect = ReadEffectHeader(*effect_, song_);
      // A channel that more than one entry names gets its labels numbered
      // from its second track on: "_PSG1", "_PSG1_2".
      for (std::size_t i = 0; i < effect->tracks.size(); ++i) {
        const EffectTrack& track = effect->tracks[i];
        channels.push_back(track.header);
        const auto same = std::count_if(
            effect->tracks.begin(), effect->tracks.begin() + static_cast<std::ptrdiff_t>(i),
            [&](const EffectTrack& earlier) { return earlier.channel == track.channel; });
        std::string name(track.channel->name);
        if (same > 0) name.append("_").append(std::to_string(same + 1));
        names.push_back(std::move(name));
      }
      headers_size_ = EffectHeadersSize(*effect_, channels.size());
      voices_at_ = effect->voice_table_offset;
    } else {
      song = ReadSongHeader(driver_, song_);
      channels = ReadChannelHeaders(driver_, song_, *song);
      for (const ChannelHeader& channel : channels) names.push_back(channel.Name());
      headers_size_ = HeadersSize(driver_, *song);
      voices_at_ = song->voice_table_offset;
    }
    std::fill_n(roles_.begin(), headers_size_, Role::kInside);
    roles_[0] = Role::kHeader;
    NameChannels(channels, names);
    ClaimVoices(channels);
    for (const ChannelHeader& channel : channels) {
      Decode(channel.data_offset, channel.kind == ChannelKind::kDac);
    }
    for (std::size_t i = 0; i < pending_.size(); ++i) Decode(pending_[i].first, pending_[i].second);

    text_.reserve(song_.size() * 12);
    AddLine("; " + comment);
    if (effect) {
      WriteEffectHeader(*effect, channels);
    } else {
      WriteHeader(*song, channels);
    }
    WriteBody();
    // An effect without voices ends with its voice label, as the
    // disassembly's own effects do.
    if (effect && voices_at_ == song_.size()) {
      AddLine("");
      AddLine("; Song seems to not use any FM voices");
      AddLine(prefix_ + "_Voices:");
    }
    return std::move(text_);
  }

 private:
  // ---------------------------------------------------------- layout --

  void NameChannels(const std::vector<ChannelHeader>& channels,
                    const std::vector<std::string>& channel_names) {
    for (std::size_t i = 0; i < channels.size(); ++i) {
      const std::size_t at = channels[i].data_offset;
      if (at >= song_.size()) continue;
      labels_[at].push_back(prefix_ + "_" + channel_names[i]);
      channel_labels_.insert({at, channel_names[i]});
    }
  }

  // Whole voice records from the voice table offset up to the first byte
  // a channel starts at (or the song's end).
  void ClaimVoices(const std::vector<ChannelHeader>& channels) {
    std::size_t end = song_.size();
    for (const ChannelHeader& channel : channels) {
      if (channel.data_offset >= voices_at_) {
        end = std::min<std::size_t>(end, channel.data_offset);
      }
    }
    if (voices_at_ < headers_size_ || voices_at_ >= end) return;
    const std::size_t voice_count = (end - voices_at_) / kVoiceRecordSize;
    for (std::size_t v = 0; v < voice_count; ++v) {
      const std::size_t at = voices_at_ + v * kVoiceRecordSize;
      std::fill_n(roles_.begin() + at, kVoiceRecordSize, Role::kInside);
      roles_[at] = Role::kVoice;
      if (!FitsModeZero(song_.subspan(at, kVoiceRecordSize), driver_.source.voice_registers)) {
        mode_ = 1;
      }
    }
    if (voice_count > 0)
      labels_[voices_at_].insert(labels_[voices_at_].begin(), prefix_ + "_Voices");
  }

  // Follows a channel's events from `at` as the driver reads them, marking
  // where each begins, until the channel stops or jumps, or meets bytes that
  // are read already.
  void Decode(std::size_t at, bool dac) {
    while (at < song_.size() && roles_[at] == Role::kRaw) {
      const Event event = reader_.At(at);
      dac_[at] = dac;
      // A note or duration is a value of its own: another channel may have
      // read the duration behind a note already.
      if (event.kind != EventKind::kFlag) {
        roles_[at++] = Role::kNote;
        continue;
      }
      const FlagRow& row = *event.flag;
      if (row.walk == FlagWalk::kIgnore) {
        at = event.end();  // no flag of this driver: stays raw bytes
        continue;
      }
      if (event.CutShort() || !std::all_of(roles_.begin() + at + 1, roles_.begin() + event.end(),
                                           [](Role role) { return role == Role::kRaw; })) {
        return;  // a flag cut short: its bytes stay raw
      }
      roles_[at] = Role::kFlag;
      std::fill_n(roles_.begin() + at + 1, event.size - 1, Role::kInside);
      if (row.HasPointer()) {
        const long long target =
            driver_.data_pointers.TargetAt(song_, event.end() - PointerForm::kBytes);
        targets_[at] = target;
        if (target >= 0 && static_cast<std::size_t>(target) < song_.size()) {
          pending_.emplace_back(static_cast<std::size_t>(target), dac);
        }
      }
      at = event.end();
      if (row.ends_run) return;
    }
  }

  // The label for an address that a flag of `kind` (F6, F7, F8, or 0 for
  // the header's voice pointer) leads to: the first one there, or a new one.
  // An address inside a statement, the headers or outside the song is
  // written as a distance from a label.
  std::string LabelFor(long long target, std::uint8_t kind) {
    if (target < static_cast<long long>(headers_size_) ||
        static_cast<std::size_t>(target) >= song_.size()) {
      return OffsetFrom(prefix_ + "_Header", target);
    }
    const std::size_t at = static_cast<std::size_t>(target);
    std::size_t start = at;
    while (roles_[start] == Role::kInside) --start;
    auto& names = labels_[start];
    if (names.empty()) {
      if (kind == 0) {
        names.push_back(prefix_ + "_Voices");
      } else {
        const char* suffix = kind == flag::kLoop ? "Loop" : kind == flag::kCall ? "Call" : "Jump";
        int& count = kind == flag::kLoop ? loops_ : kind == flag::kCall ? calls_ : jumps_;
        char number[8];
        std::snprintf(number, sizeof number, "%02X", count++);
        names.push_back(prefix_ + "_" + suffix + number);
      }
    }
    return OffsetFrom(names.front(), static_cast<long long>(at - start));
  }

  static std::string OffsetFrom(const std::string& label, long long distance) {
    if (distance == 0) return label;
    char text[24];
    std::snprintf(text, sizeof text, "%s$%llX", distance < 0 ? "-" : "+",
                  static_cast<unsigned long long>(distance < 0 ? -distance : distance));
    return label + text;
  }

  // ---------------------------------------------------------- output --

  void AddLine(std::string_view line) {
    text_ += line;
    text_ += '\n';
  }

  void WriteHeader(const SongHeader& header, const std::vector<ChannelHeader>& channels) {
    // Every label is named before the first line that uses it is written.
    for (const auto& [flag_at, target] : targets_) LabelFor(target, song_[flag_at]);
    AddLine(prefix_ + "_Header:");
    const std::string version = std::to_string(version_);
    AddLine(MacroLine("smpsHeaderStartSong", mode_ == 0 ? version : version + ", 1"));
    // A pointer of 0 is no voice table, whatever the song's address.
    AddLine(Read16(song_, driver_.song_header.voice_table_at, driver_.header_pointers.order) == 0
                ? MacroLine("smpsHeaderVoiceNull")
                : MacroLine("smpsHeaderVoice", LabelFor(header.voice_table_offset, 0)));
    const SongHeaderLayout& layout = driver_.song_header;
    AddLine(MacroLine("smpsHeaderChan", HexByte(song_[layout.fm_count_at]) + ", " +
                                            HexByte(song_[layout.psg_count_at])));
    AddLine(MacroLine("smpsHeaderTempo", HexByte(song_[layout.tempo_divider_at]) + ", " +
                                             HexByte(song_[layout.tempo_at])));
    AddLine("");
    std::size_t channel = 0;
    ForEachChannelEntry(driver_, header, [&](ChannelKind kind, int, std::size_t at) {
      AddLine(ChannelEntryLine(kind, at, LabelFor(channels[channel++].data_offset, 0)));
    });
  }

  // An effect's header: its divider, its track count, and one entry per
  // track with its channel, its data's label, transposition and volume.
  void WriteEffectHeader(const EffectHeader& header, const std::vector<ChannelHeader>& channels) {
    for (const auto& [flag_at, target] : targets_) LabelFor(target, song_[flag_at]);
    AddLine(prefix_ + "_Header:");
    AddLine(MacroLine("smpsHeaderStartSong", mode_ == 0 ? "1" : "1, 1"));
    AddLine(MacroLine("smpsHeaderVoice", header.voice_table_offset == song_.size()
                                             ? prefix_ + "_Voices"
                                             : LabelFor(header.voice_table_offset, 0)));
    const EffectHeaderLayout& layout = effect_->header;
    AddLine(MacroLine("smpsHeaderTempoSFX", HexByte(song_[layout.tempo_divider_at])));
    AddLine(MacroLine("smpsHeaderChanSFX", HexByte(song_[layout.track_count_at])));
    AddLine("");
    for (std::size_t i = 0; i < header.tracks.size(); ++i) {
      const EffectTrack& track = header.tracks[i];
      AddLine(MacroLine("smpsHeaderSFXChannel", std::string(ChannelConstant(track.channel->id)) +
                                                    ", " + LabelFor(channels[i].data_offset, 0) +
                                                    ",\t" + HexByte(track.header.transpose) + ", " +
                                                    HexByte(track.header.volume)));
    }
  }

  // The macro of a channel entry: its data's label, then the entry's bytes
  // behind the pointer. smpsHeaderDAC leaves them out when they are 0.
  std::string ChannelEntryLine(ChannelKind kind, std::size_t at, const std::string& target) {
    static constexpr std::string_view kMacros[] = {"smpsHeaderDAC", "smpsHeaderFM",
                                                   "smpsHeaderPSG"};
    const ChannelEntryLayout& entry = driver_.Entry(kind);
    std::string operands;
    bool all_zero = true;
    for (int i = entry.data_at + static_cast<int>(PointerForm::kBytes); i < entry.size; ++i) {
      const std::uint8_t b = song_[at + static_cast<std::size_t>(i)];
      all_zero = all_zero && b == 0;
      operands += operands.empty() ? ",\t" : ", ";
      operands +=
          i == entry.psg_voice_at ? PsgEnvelopeName(b, version_).value_or(HexByte(b)) : HexByte(b);
    }
    if (kind == ChannelKind::kDac && all_zero) operands.clear();
    return MacroLine(kMacros[static_cast<std::size_t>(kind)], target + operands);
  }

  void WriteBody() {
    std::size_t at = headers_size_;
    // The labels in the order of their addresses, met as the body is written.
    auto names = labels_.lower_bound(at);
    while (at < song_.size()) {
      while (names != labels_.end() && names->first < at) ++names;
      if (names != labels_.end() && names->first == at) {
        FlushValues();
        AddLine("");
        if (const auto channel = channel_labels_.find(at); channel != channel_labels_.end()) {
          AddLine("; " + channel->second + " Data");
        }
        for (const std::string& name : names->second) AddLine(name + ":");
      }
      at += Statement(at);
    }
    FlushValues();
  }

  // Writes the statement that begins at `at`; returns its size.
  std::size_t Statement(std::size_t at) {
    const std::uint8_t b = song_[at];
    switch (roles_[at]) {
      case Role::kVoice:
        WriteVoice(at);
        return kVoiceRecordSize;
      case Role::kNote:
        AddValue(NoteOrDuration(at, hex_));
        return 1;
      case Role::kFlag: {
        if (b == flag::kNoAttack) {
          AddValue("smpsNoAttack");
          return 1;
        }
        FlushValues();
        const Event event = reader_.At(at);
        AddLine(FlagLine(event));
        return event.size;
      }
      default:
        AddValue(HexByte(b));
        return 1;
    }
  }

  // Names or "$xx", into `hex` when it is a number.
  std::string_view NoteOrDuration(std::size_t at, std::string& hex) const {
    const std::uint8_t b = song_[at];
    if (driver_.notes.IsDuration(b)) return hex = HexByte(b);
    if (dac_[at] && b != driver_.notes.rest) {
      if (const auto sample = DacSampleName(b, version_)) return *sample;
      return hex = HexByte(b);
    }
    return NoteName(b);
  }

  std::string FlagLine(const Event& flag) {
    const std::uint8_t b = flag.first();
    const std::size_t at = flag.at;
    const auto parameter = [&](std::size_t i) { return flag.bytes[1 + i]; };
    const std::string_view macro = MacroOfFlag(b, version_);
    std::string operands;
    for (std::size_t i = 0; i + 1 < flag.size; ++i) {
      operands += (i > 0 ? ", " : "") + HexByte(parameter(i));
    }
    // A flag that no macro writes for this driver, with its parameters.
    if (macro.empty()) return "\tdc.b\t" + HexByte(b) + (operands.empty() ? "" : ", ") + operands;
    switch (b) {
      case flag::kPan:
        return MacroLine(macro, PanNameOf(parameter(0)) + ", " + HexByte(parameter(0) & 0x3F));
      case flag::kPsgVoice:
        return MacroLine(macro,
                         PsgEnvelopeName(parameter(0), version_).value_or(HexByte(parameter(0))));
      case flag::kJump:
      case flag::kCall:
        return MacroLine(macro, LabelFor(targets_.at(at), b));
      case flag::kLoop:
        return MacroLine(macro, HexByte(parameter(0)) + ", " + HexByte(parameter(1)) + ", " +
                                    LabelFor(targets_.at(at), b));
      default:
        return MacroLine(macro, operands);
    }
  }

  void WriteVoice(std::size_t at) {
    FlushValues();
    const auto record = song_.subspan(at, kVoiceRecordSize);
    const std::size_t number = (at - voices_at_) / kVoiceRecordSize;
    if (number > 0) AddLine("");
    AddLine(";\tVoice " + HexByte(static_cast<std::int64_t>(number)));
    // The record's bytes, as the disassembly shows them.
    const auto bytes = [&](int first, int count) {
      std::string text;
      for (int i = first; i < first + count; ++i) {
        text += HexByte(record[i]) + (i + 1 == first + count ? ""
                                      : (i - first) % 4 == 3 ? ", \t"
                                                             : ", ");
      }
      return text;
    };
    AddLine(";\t" + bytes(0, 1));
    AddLine(";\t" + bytes(1, 12));
    AddLine(";\t" + bytes(13, 12));
    for (std::string& line : VoiceSource(record, mode_, driver_.source.voice_registers)) {
      AddLine(std::move(line));
    }
  }

  // Gathers the values of one dc.b line in the text itself.
  void AddValue(std::string_view value) {
    text_ += values_ == 0 ? "\tdc.b\t" : ", ";
    text_ += value;
    if (++values_ == kValuesPerLine) FlushValues();
  }

  void FlushValues() {
    if (values_ == 0) return;
    text_ += '\n';
    values_ = 0;
  }

  const Driver& driver_;
  const int version_;  // the include file's SonicDriverVer the song is written for
  const EffectFormat* effect_;  // an effect's format; none for a song
  const EventReader reader_;
  std::span<const std::uint8_t> song_;
  std::string prefix_;
  std::vector<Role> roles_;
  std::vector<std::uint8_t> dac_;  // 1: read by the DAC channel, samples by name
  std::map<std::size_t, std::vector<std::string>> labels_;
  std::map<std::size_t, std::string> channel_labels_;
  std::map<std::size_t, long long> targets_;           // F6, F7, F8 position -> target
  std::vector<std::pair<std::size_t, bool>> pending_;  // branch targets to read from
  std::size_t voices_at_ = 0;
  std::size_t headers_size_ = 0;
  int mode_ = 0;
  int jumps_ = 0, loops_ = 0, calls_ = 0;
  std::string text_;        // the source written so far
  std::string hex_;         // a "$xx" being written
  std::size_t values_ = 0;  // on the dc.b line being gathered
};

}  // namespace

std::string WriteSource(const Driver& driver, std::span<const std::uint8_t> song,
                        const std::string& label_prefix, const std::string& comment) {
  return SourceWriter(driver, song, label_prefix).Run(comment);
}

std::string WriteEffectSource(const EffectFormat& format, std::span<const std::uint8_t> effect,
                              const std::string& label_prefix, const std::string& comment) {
  return SourceWriter(format.driver, effect, label_prefix, &format).Run(comment);
}

std::string LabelPrefixFor(const std::string& file_name) {
  std::string stem = file_name.substr(0, file_name.find_last_of('.'));
  if (stem.empty()) stem = file_name;
  std::string prefix;
  for (char c : stem) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
      prefix += c;
    } else if (!prefix.empty() && prefix.back() != '_') {
      prefix += '_';
    }
  }
  while (!prefix.empty() && prefix.back() == '_') prefix.pop_back();
  if (prefix.empty() || std::isdigit(static_cast<unsigned char>(prefix[0])))
    prefix = "Song_" + prefix;
  return prefix;
}

}  // namespace quorlin
