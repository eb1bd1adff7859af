#include "reverse/invert_channel.h"

#include <algorithm>
#include <array>

#include "track/format.h"
#include "track/track_error.h"

namespace quorlin {
namespace {

// What the inversion does with each flag E0-FF.
enum class Treatment : std::uint8_t {
  kCopy,        // written unchanged, nothing remembered
  kRestore,     // written with the value(s) before it
  kStep,        // written with the negated step; its running total is kept
  kNoAttack,    // E7: written after the next command
  kModulation,  // F1/F4: the previous modulation state byte alone
  kTakeOut,     // E4, F2, F6: written only at the end
  kDrop,        // FA-FF
};

constexpr std::array<Treatment, 32> kTreatment = [] {
  std::array<Treatment, 32> t{};
  t.fill(Treatment::kRestore);
  for (std::uint8_t f : {flag::kReturn, flag::kClearPush, flag::kSpecialFm4Stop, flag::kF9Op}) {
    t[f - kFirstFlag] = Treatment::kCopy;
  }
  for (std::uint8_t f : {flag::kFmVolumeStep, flag::kTransposeStep, flag::kPsgVolumeStep}) {
    t[f - kFirstFlag] = Treatment::kStep;
  }
  for (std::uint8_t f : {flag::kFadeIn, flag::kStop, flag::kJump}) {
    t[f - kFirstFlag] = Treatment::kTakeOut;
  }
  t[flag::kNoAttack - kFirstFlag] = Treatment::kNoAttack;
  t[flag::kModulationOn - kFirstFlag] = Treatment::kModulation;
  t[flag::kModulationOff - kFirstFlag] = Treatment::kModulation;
  for (int f = kFirstMeaninglessFlag; f <= 0xFF; ++f) t[f - kFirstFlag] = Treatment::kDrop;
  return t;
}();

// The order in which the final state is appended. F1 stands for the
// modulation state that F1 and F4 share.
constexpr std::array<std::uint8_t, 20> kFinalStateOrder = {
    flag::kPan,
    flag::kDetune,
    flag::kCommunication,
    flag::kChannelTempoDivider,
    flag::kFmVolumeStep,
    flag::kNoteTimeout,
    flag::kTransposeStep,
    flag::kTempo,
    flag::kGlobalTempoDivider,
    flag::kPsgVolumeStep,
    flag::kVoice,
    flag::kModulationSetup,
    flag::kModulationOn,
    flag::kPsgNoise,
    flag::kPsgVoice,
    flag::kLoop,
    flag::kCall,
    flag::kJump,
    flag::kFadeIn,
    flag::kStop,
};

class Inversion {
 public:
  Inversion(ChannelBuffer& buffer, std::uint8_t tempo, std::uint8_t divider,
            const std::string& channel_name)
      : buffer_(buffer), length_(buffer.EventLength()), channel_name_(channel_name) {
    // Starting state: what the driver holds before a channel's first flag.
    State(flag::kPan)[0] = 0xC0;
    State(flag::kChannelTempoDivider)[0] = divider;
    State(flag::kTempo)[0] = tempo;
    State(flag::kGlobalTempoDivider)[0] = divider;
    State(flag::kModulationOn)[0] = flag::kModulationOff;
    State(flag::kPsgNoise)[0] = 0xE0;
  }

  void Run() {
    std::fill(buffer_.WorkArea().begin(), buffer_.WorkArea().end(), 0);
    while (read_pos_ < length_) {
      const std::uint8_t command = Next();
      Treat(command);
      if (command != flag::kNoAttack && no_attack_pending_) {
        Write(flag::kNoAttack);
        no_attack_pending_ = false;
      }
    }
    // A no-attack flag still pending at the end has no event to move behind.
    AppendFinalState();
    buffer_.SetEventLength(write_pos_);
  }

 private:
  std::array<std::uint8_t, 4>& State(std::uint8_t f) { return state_[f - kFirstFlag]; }

  void Treat(std::uint8_t command) {
    if (!IsFlag(command)) {
      Write(command);
      Write(Next());
      return;
    }
    const int parameters = FlagParameterCount(command);
    std::array<std::uint8_t, 4>& state = State(command);
    switch (kTreatment[command - kFirstFlag]) {
      case Treatment::kCopy:
        Write(command);
        return;
      case Treatment::kRestore:
        Write(command);
        for (int i = 0; i < parameters; ++i) Write(state[i]);
        for (int i = 0; i < parameters; ++i) state[i] = Next();
        break;
      case Treatment::kStep: {
        const std::uint8_t step = Next();
        WritePair(command, static_cast<std::uint8_t>(0x100 - step));
        state[0] = static_cast<std::uint8_t>(state[0] + step);
        break;
      }
      case Treatment::kNoAttack:
        no_attack_pending_ = true;
        return;
      case Treatment::kModulation: {
        std::array<std::uint8_t, 4>& modulation = State(flag::kModulationOn);
        Write(modulation[0]);
        modulation[0] = command;
        seen_[flag::kModulationOn - kFirstFlag] = true;
        return;
      }
      case Treatment::kTakeOut:
        for (int i = 0; i < parameters; ++i) state[i] = Next();
        break;
      case Treatment::kDrop:
        return;
    }
    seen_[command - kFirstFlag] = true;
  }

  void AppendFinalState() {
    for (std::uint8_t f : kFinalStateOrder) {
      if (!seen_[f - kFirstFlag]) continue;
      if (f == flag::kModulationOn) {
        Write(State(f)[0]);
        continue;
      }
      Write(f);
      for (int i = 0; i < FlagParameterCount(f); ++i) Write(State(f)[i]);
    }
  }

  std::uint8_t Next() {
    if (read_pos_ >= length_) {
      throw TrackError(channel_name_ + "'s event list ends inside an event at its byte " +
                       std::to_string(read_pos_));
    }
    return buffer_.bytes[read_pos_++];
  }

  void Write(std::uint8_t b) {
    if (write_pos_ >= ChannelBuffer::kEventAreaSize) {
      throw TrackError(channel_name_ + " grows beyond " +
                       std::to_string(ChannelBuffer::kEventAreaSize) +
                       " bytes of events when its state is inverted");
    }
    buffer_.WorkArea()[write_pos_++] = b;
  }

  void WritePair(std::uint8_t first, std::uint8_t second) {
    Write(first);
    Write(second);
  }

  ChannelBuffer& buffer_;
  const std::size_t length_;
  const std::string& channel_name_;
  std::size_t read_pos_ = 0;
  std::size_t write_pos_ = 0;
  bool no_attack_pending_ = false;
  std::array<std::array<std::uint8_t, 4>, 32> state_{};
  std::array<bool, 32> seen_{};
};

}  // namespace

void InvertChannel(ChannelBuffer& buffer, std::uint8_t tempo, std::uint8_t divider,
                   const std::string& channel_name) {
  Inversion(buffer, tempo, divider, channel_name).Run();
}

}  // namespace quorlin
