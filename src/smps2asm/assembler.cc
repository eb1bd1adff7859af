#include "smps2asm/assembler.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <span>
#include <unordered_map>

#include "format/format.h"
#include "format/sonic1_effects.h"
#include "format/track_error.h"
#include "smps2asm/equates.h"
#include "smps2asm/expression.h"
#include "smps2asm/flag_macros.h"
#include "smps2asm/source_lines.h"
#include "smps2asm/voice.h"

namespace quorlin {
namespace {

// Macros of the include file that later drivers have and Sonic 1 has not.
constexpr std::string_view kOtherDriversMacros[] = {
    "smpsStopFM",           "smpsSpindashRev",   "smpsPlayDACSample",  "smpsConditionalJump",
    "smpsSetNote",          "smpsFMICommand",    "smpsModChange2",     "smpsModChange",
    "smpsContinuousLoop",   "smpsAlternateSMPS", "smpsFM3SpecialMode", "smpsPlaySound",
    "smpsHaltMusic",        "smpsCopyData",      "smpsSSGEG",          "smpsFMVolEnv",
    "smpsResetSpindashRev", "smpsChanFMCommand", "smpsPitchSlide",     "smpsSetLFO",
    "smpsPlayMusic",        "smpsFMFlutter",     "smpsSetVol",         "smpsHeaderVoiceUVB",
};
constexpr std::string_view kSoundEffectMacros[] = {"smpsHeaderTempoSFX", "smpsHeaderChanSFX",
                                                   "smpsHeaderSFXChannel"};

// The longest name taken: 255 characters, eight times the longest label of
// a real song (30), short enough that names cannot swell the written song.
constexpr std::size_t kLongestName = 255;
// The most operands of one statement: the build takes a dc.b of 400 values
// and refuses one of 512 ("too many arguments").
constexpr std::size_t kMostOperands = 511;
// Labels a written song gets are its first label's prefix and a suffix of
// at most 10 characters ("_Jump1A2B"), which must stay a name the build takes.
constexpr std::size_t kLongestLabelPrefix = kLongestName - 10;

// The assembler's own directives are known in any letter case: "dc.b" is
// "DC.B". `lower` is written in lower case.
bool IsDirective(std::string_view operation, std::string_view lower) {
  if (operation.size() != lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(operation[i])) != lower[i]) return false;
  }
  return true;
}

bool Listed(std::span<const std::string_view> names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The header macros, which Macro() handles by name.
constexpr std::string_view kHeaderMacros[] = {
    "smpsHeaderStartSong", "smpsHeaderVoice", "smpsHeaderVoiceNull", "smpsHeaderChan",
    "smpsHeaderTempo",     "smpsHeaderDAC",   "smpsHeaderFM",        "smpsHeaderPSG",
};

// Whether `name` is an operation the build knows for a song file, or one it
// knows as a macro of other drivers and sound effects.
bool IsKnownOperation(std::string_view name) {
  for (const std::string_view directive :
       {"dc.b", "dc.w", "if", "elseif", "else", "endif", "=", ":=", "equ", "set"}) {
    if (IsDirective(name, directive)) return true;
  }
  return name == "even" || FlagOfMacro(name) || VoiceLineIndex(name) >= 0 ||
         Listed(kHeaderMacros, name) || Listed(kOtherDriversMacros, name) ||
         Listed(kSoundEffectMacros, name);
}

// What a name stands for in the pass that defined it last. A label is
// known from the first pass on; a constant or a variable from where its
// pass defines it (pass 0: nowhere yet).
enum class SymbolKind : std::uint8_t { kLabel, kConstant, kVariable };
struct Symbol {
  std::int64_t value = 0;
  SymbolKind kind = SymbolKind::kConstant;
  int pass = 0;  // that defined it last
};

// One open if block.
struct IfBlock {
  int line;  // of the if
  bool parent_active;
  bool active;        // lines here are assembled
  bool branch_taken;  // some branch of this block was (or is) true
  bool in_else;
};

// The conversions of the macros that depend on the driver a song was
// written for (its smpsHeaderStartSong) and the one it is assembled for. A
// tempo of 256 has no Sonic 1 value.
std::int64_t Sonic2TempoToSonic1(std::int64_t tempo) {
  return (((768 - tempo) >> 1) / (256 - tempo)) & 0xFF;
}

std::int64_t Sonic3TempoToSonic2(std::int64_t tempo) {
  return (256 - (tempo == 0 ? 1 : tempo)) & 0xFF;
}

std::int64_t Count256(std::int64_t n) { return n == 0 ? 256 : n; }

std::int64_t Sonic1TempoToSonic2(std::int64_t tempo) {
  const std::int64_t t = Count256(tempo);
  return (((t - 1) * 256 + (t >> 1)) / t) & 0xFF;
}

class Assembler {
 public:
  // Both passes read the same statements: they are split up once.
  Assembler(const Driver& driver, std::string_view source, const std::vector<SourceDefine>& defines)
      : driver_(driver),
        start_(driver.Address()),
        version_(driver.source.driver_version),
        statements_(source) {
    for (const SourceDefine& define : defines) defines_[define.name] = define.value;
  }

  AssembledSong Run() {
    split_.assign(statements_.size(), {kUnsplit, 0});
    symbols_.reserve(statements_.size());
    Pass(/*final=*/false);
    Pass(/*final=*/true);
    if (!song_started_) {
      throw TrackError(ErrorKind::kSource, "the source holds no smpsHeaderStartSong, so no song");
    }
    line_ = 0;
    AssembledSong song;
    song.bytes = std::move(bytes_);
    song.label_prefix = label_prefix_;
    song.effect = header_kind_.value_or(false);
    return song;
  }

 private:
  void Pass(bool final) {
    final_ = final;
    ++pass_;
    address_ = start_;
    bytes_.clear();
    conditionals_.clear();
    song_started_ = false;
    header_kind_.reset();
    source_driver_ = 1;
    voice_mode_ = 0;
    pan_names_ = false;
    voice_ = {};
    all_four_x_ = false;
    for (current_ = 0; current_ < statements_.size(); ++current_) {
      const Statement statement = statements_[current_];
      line_ = statement.line;
      statement_address_ = address_;
      Handle(statement);
    }
    if (!conditionals_.empty()) {
      line_ = conditionals_.back().line;
      Fail("if without endif");
    }
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw TrackError(ErrorKind::kSource, "line " + std::to_string(line_) + ": " + what,
                     {"", {}, line_});
  }

  bool Active() const { return conditionals_.empty() || conditionals_.back().active; }

  void Handle(const Statement& s) {
    static constexpr std::string_view kConditionals[] = {"if", "elseif", "else", "endif"};
    static constexpr std::string_view kDefinitions[] = {"=", ":=", "equ", "set"};
    for (const std::string_view directive : kConditionals) {
      if (!IsDirective(s.operation, directive)) continue;
      if (!s.label.empty() && Active()) DefineLabel(s.label);
      return IfDirective(directive, s.operands);
    }
    if (!Active()) return;
    CheckColumnOne(s);
    for (const std::string_view definition : kDefinitions) {
      if (IsDirective(s.operation, definition)) return SymbolDefinition(s, definition);
    }
    if (!s.label.empty()) DefineLabel(s.label);
    if (s.operation.empty()) return;
    Operation(s.operation, s.operands);
  }

  // ---------------------------------------------------------- symbols --

  // A macro or directive written in column 1 is read as a label, and what
  // follows it as the operation: that is what to tell, not the operands.
  // Alone, it is a label to the build too, until it stands there twice.
  void CheckColumnOne(const Statement& s) const {
    if (!s.label_in_column_one) return;
    if (!s.operation.empty() && IsKnownOperation(s.operation)) return;
    if (!IsKnownOperation(s.label)) return;
    if (s.operation.empty() && IsName(s.label) && !DefinedInThisPass(s.label)) return;
    Fail(Excerpt(s.label) +
         " is written in column 1, where a name is read as a label: indent it with a tab or "
         "spaces");
  }

  bool DefinedInThisPass(std::string_view name) const {
    const auto symbol = symbols_.find(name);
    return symbol != symbols_.end() && symbol->second.pass == pass_;
  }

  void CheckNewName(std::string_view name) const {
    if (!name.empty() && name[0] == '.') {
      Fail("local labels such as " + Excerpt(name) + " are not supported");
    }
    if (!IsName(name)) Fail("bad name " + Excerpt(name));
    if (name.size() > kLongestName) {
      Fail("the name " + Excerpt(name) + " is " + std::to_string(name.size()) +
           " characters long; names may have at most " + std::to_string(kLongestName));
    }
    if (IncludedEquate(name, version_) || PanName(name) || IsStateSymbol(name)) {
      Fail(Excerpt(name) + " is defined twice: the include file defines it");
    }
    if (defines_.count(name)) {
      Fail(Excerpt(name) + " is defined twice: the build's settings or -D define it");
    }
  }

  void DefineLabel(std::string_view name) {
    CheckNewName(name);
    const auto [found, added] = symbols_.try_emplace(name, Symbol{address_, SymbolKind::kLabel, 0});
    Symbol& symbol = found->second;
    if (symbol.pass == pass_) Fail("the label " + Excerpt(name) + " is defined twice");
    if (final_ && (added || symbol.kind != SymbolKind::kLabel || symbol.value != address_)) {
      Fail("the label " + Excerpt(name) + " moves between the assembler's passes");
    }
    symbol = {address_, SymbolKind::kLabel, pass_};
    if (!final_ && label_prefix_.empty() && !song_started_ && address_ == start_) {
      constexpr std::string_view kHeader = "_Header";
      label_prefix_ =
          name.substr(0, name.ends_with(kHeader) ? name.size() - kHeader.size() : name.size());
      label_prefix_.resize(std::min(label_prefix_.size(), kLongestLabelPrefix));
    }
  }

  void SymbolDefinition(const Statement& s, std::string_view operation) {
    std::string_view name = s.label;
    std::string_view value = s.operands;
    if (operation == "set" && name.empty()) {  // "set Name, value"
      const auto operands = SplitOperands(s.operands);
      if (operands.size() != 2) Fail("set needs a name and a value");
      name = operands[0];
      value = operands[1];
    }
    if (name.empty()) Fail(Excerpt(s.operation) + " needs a name before it");
    if (value.empty()) Fail(Excerpt(name) + " is given no value");
    const bool constant = operation == "=" || operation == "equ";
    // A name new here stays unknown until its value is read.
    Symbol& symbol = symbols_.try_emplace(name).first->second;
    const bool earlier = symbol.pass == pass_;
    if (earlier && symbol.kind != SymbolKind::kVariable) {
      Fail(constant ? Excerpt(name) + " is defined twice"
                    : "an assignment to the equate " + Excerpt(name));
    }
    if (constant && earlier) Fail(Excerpt(name) + " is defined twice");
    if (!earlier) CheckNewName(name);
    const std::int64_t result = Value(value);
    symbol = {result, constant ? SymbolKind::kConstant : SymbolKind::kVariable, pass_};
  }

  bool IsStateSymbol(std::string_view name) const {
    return name == "SourceDriver" || name == "SourceSMPS2ASM" || name == "songStart";
  }

  std::optional<std::int64_t> Lookup(std::string_view name) const {
    // No song defines a name of the include file or of the command line, so
    // these come first.
    if (const auto define = defines_.find(name); define != defines_.end()) return define->second;
    if (const auto equate = IncludedEquate(name, version_)) return equate;
    if (const auto symbol = symbols_.find(name); symbol != symbols_.end()) {
      // Labels are known from the first pass on: forward references work.
      // Constants and variables only from where this pass defines them.
      if (symbol->second.kind == SymbolKind::kLabel || symbol->second.pass == pass_) {
        return symbol->second.value;
      }
    }
    if (pan_names_) {
      if (const auto pan = PanName(name)) return pan;
    }
    if (song_started_) {
      if (name == "SourceDriver") return source_driver_;
      if (name == "SourceSMPS2ASM") return voice_mode_;
      if (name == "songStart") return start_;
    }
    return std::nullopt;
  }

  // The value of an expression. The first pass only lays the song out: a
  // name defined further down counts as 0 there.
  std::int64_t Value(std::string_view text, bool strict = false) {
    if (text.empty()) Fail("a value is missing");
    // Most values are a number or a name alone: those need no parse.
    if (const auto number = ParseNumber(text)) return *number;
    if (IsName(text)) {
      if (const auto value = Lookup(text)) return *value;
    }
    const SymbolLookup lookup = [this, strict](std::string_view name) {
      const auto value = Lookup(name);
      if (!value && !final_ && !strict) return std::optional<std::int64_t>(0);
      return value;
    };
    try {
      return Evaluate(text, lookup, statement_address_);
    } catch (const TrackError& error) {
      Fail(error.what());
    }
  }

  // ----------------------------------------------------- conditionals --

  void IfDirective(std::string_view operation, std::string_view condition) {
    if (operation == "if") {
      const bool parent = Active();
      const bool value = parent && Value(condition, /*strict=*/true) != 0;
      conditionals_.push_back({line_, parent, value, value, false});
      return;
    }
    if (conditionals_.empty()) Fail(Excerpt(operation) + " without if");
    auto& block = conditionals_.back();
    if (operation == "endif") {
      conditionals_.pop_back();
    } else if (operation == "else") {
      if (block.in_else) Fail("a second else in one if block");
      block.in_else = true;
      block.active = block.parent_active && !block.branch_taken;
      block.branch_taken = true;
    } else {  // elseif
      if (block.in_else) Fail("elseif after else");
      const bool value =
          block.parent_active && !block.branch_taken && Value(condition, /*strict=*/true) != 0;
      block.active = value;
      block.branch_taken = block.branch_taken || value;
    }
  }

  // -------------------------------------------------------- emission --

  void EmitByte(std::int64_t value) {
    if (final_ && (value < -128 || value > 255)) {
      Fail("the value " + std::to_string(value) + " does not fit a byte (-128 to 255)");
    }
    Emit(static_cast<std::uint8_t>(value & 0xFF));
  }

  void CheckWord(std::int64_t value) const {
    if (final_ && (value < -32768 || value > 65535)) {
      Fail("the value " + std::to_string(value) + " does not fit a word (-32768 to 65535)");
    }
  }

  void EmitWord(std::int64_t value) {
    CheckWord(value);
    Emit(static_cast<std::uint8_t>(value >> 8 & 0xFF));
    Emit(static_cast<std::uint8_t>(value & 0xFF));
  }

  void Emit(std::uint8_t byte) {
    if (!song_started_) Fail("bytes before smpsHeaderStartSong, where the song must begin");
    if (address_ - start_ >= std::int64_t{kCartridgeSpace}) {
      Fail("the song grows beyond 4 MiB, more than a cartridge holds");
    }
    if (final_) bytes_.push_back(byte);
    ++address_;
  }

  // A pointer of `form` here that leads to the address `target`; its value
  // is checked as any word's.
  void EmitPointer(const PointerForm& form, std::int64_t target) {
    const std::int64_t value = form.ValueFor(address_ - start_, target - start_);
    CheckWord(value);
    std::array<std::uint8_t, PointerForm::kBytes> bytes{};
    form.Store(bytes, 0, value);
    for (const std::uint8_t b : bytes) Emit(b);
  }

  // The pointer of F6, F7, F8.
  void EmitDataPointer(std::string_view target) {
    EmitPointer(driver_.data_pointers, Value(target));
  }

  // A pointer in the song header or a channel entry. Driver 1's offsets
  // may not lead before the song; driver 2's addresses are not checked.
  void EmitHeaderPointer(std::string_view target) {
    const std::int64_t address = Value(target);
    if (final_ && address < start_ && version_ == 1)
      Fail("a header pointer leads before the song's start");
    EmitPointer(driver_.header_pointers, address);
  }

  // ------------------------------------------------------ operations --

  // The operands of the statement being read, split on its first reading.
  std::span<const std::string_view> OperandsOf(std::string_view text) {
    auto& [first, count] = split_[current_];
    if (first == kUnsplit) {
      SplitOperands(text, scratch_);
      if (scratch_.size() > kMostOperands) {
        Fail(std::to_string(scratch_.size()) +
             " operands in one statement; the build refuses a statement of more than " +
             std::to_string(kMostOperands));
      }
      first = static_cast<std::uint32_t>(operands_.size());
      count = static_cast<std::uint32_t>(scratch_.size());
      operands_.insert(operands_.end(), scratch_.begin(), scratch_.end());
    }
    return std::span<const std::string_view>(operands_).subspan(first, count);
  }

  void Operation(std::string_view name, std::string_view operand_text) {
    const std::span<const std::string_view> operands = OperandsOf(operand_text);
    const bool bytes = IsDirective(name, "dc.b");
    if (bytes || IsDirective(name, "dc.w")) {
      if (operands.empty()) Fail(Excerpt(name) + " needs at least one value");
      for (std::string_view operand : operands) {
        if (operand.starts_with("\"")) Fail("text in " + Excerpt(name) + " is not supported");
        // The first pass only lays the song out: a value's size is enough.
        const std::int64_t value = final_ ? Value(operand) : 0;
        bytes ? EmitByte(value) : EmitWord(value);
      }
      return;
    }
    if (name == "even") {
      if (address_ % 2 != 0) EmitByte(0);
      return;
    }
    if (VoiceLineIndex(name) >= 0) return VoiceMacro(VoiceLineIndex(name), name, operands);
    Macro(name, operands);
  }

  // The operands a macro needs: `required` given ones, the rest optional.
  void Require(std::string_view macro, std::span<const std::string_view> operands,
               std::size_t required) {
    std::size_t given = 0;
    while (given < operands.size() && given < required && !operands[given].empty()) ++given;
    if (given < required) {
      Fail(std::string(macro) + " needs " + std::to_string(required) + " operand" +
           (required == 1 ? "" : "s") + ", not " + std::to_string(given));
    }
  }

  bool Given(std::span<const std::string_view> operands, std::size_t index) const {
    return index < operands.size() && !operands[index].empty();
  }

  // A flag byte and its one-byte parameters, each an operand.
  void Flag(std::string_view macro, std::span<const std::string_view> operands, std::uint8_t flag,
            std::size_t parameters) {
    Require(macro, operands, parameters);
    EmitByte(flag);
    for (std::size_t i = 0; i < parameters; ++i) EmitByte(Value(operands[i]));
  }

  std::int64_t Tempo(std::int64_t tempo) {
    if (source_driver_ == version_) return tempo;
    if (version_ == 2) {
      if (source_driver_ == 1) {
        if (tempo == 1) Fail("a tempo of 1 in a song for the Sonic 1 driver stops the build");
        return Sonic1TempoToSonic2(tempo);
      }
      return Sonic3TempoToSonic2(tempo);
    }
    if (source_driver_ == 2) {
      if (tempo == 0) Fail("a tempo of 0 in a song for the Sonic 2 driver stops the build");
      if (tempo == 256) Fail("a tempo of 256 cannot be converted");
      return Sonic2TempoToSonic1(tempo);
    }
    return Sonic2TempoToSonic1(Sonic3TempoToSonic2(tempo));
  }

  void Macro(std::string_view name, std::span<const std::string_view> operands) {
    if (version_ == 2 && name == "smpsClearPush") {
      Fail("smpsClearPush is no macro of the Sonic 2 driver: it stops the build");
    }
    if (const auto flag = FlagOfMacro(name, version_)) return FlagMacro(name, *flag, operands);
    if (name == "smpsHeaderStartSong") return StartSong(operands);
    if (name == "smpsHeaderVoice" || name == "smpsHeaderVoiceNull") {
      if (address_ != start_ || !song_started_) {
        Fail(std::string(name) + " must follow smpsHeaderStartSong directly");
      }
      if (name == "smpsHeaderVoiceNull") return EmitWord(0);
      Require(name, operands, 1);
      return EmitHeaderPointer(operands[0]);
    }
    if (name == "smpsHeaderChan") {
      HeaderKind(name, /*effect=*/false);
      Require(name, operands, 2);
      EmitByte(Value(operands[0]));
      return EmitByte(Value(operands[1]));
    }
    if (name == "smpsHeaderTempo") {
      HeaderKind(name, /*effect=*/false);
      Require(name, operands, 2);
      EmitByte(Value(operands[0]));
      return EmitByte(Tempo(Value(operands[1])));
    }
    if (name == "smpsHeaderDAC") {
      HeaderKind(name, /*effect=*/false);
      Require(name, operands, 1);
      EmitHeaderPointer(operands[0]);
      if (!Given(operands, 1)) return EmitWord(0);
      EmitByte(Value(operands[1]));
      return EmitByte(Given(operands, 2) ? Value(operands[2]) : 0);
    }
    if (name == "smpsHeaderFM") {
      HeaderKind(name, /*effect=*/false);
      Require(name, operands, 3);
      EmitHeaderPointer(operands[0]);
      EmitByte(Value(operands[1]));
      return EmitByte(Value(operands[2]));
    }
    if (name == "smpsHeaderPSG") {
      HeaderKind(name, /*effect=*/false);
      Require(name, operands, 5);
      EmitHeaderPointer(operands[0]);
      const std::int64_t pitch = Value(operands[1]);
      EmitByte(source_driver_ >= 3 ? (pitch - 12) & 0xFF : pitch);
      for (std::size_t i = 2; i < 5; ++i) EmitByte(Value(operands[i]));
      return;
    }
    if (Listed(kOtherDriversMacros, name))
      Fail(Excerpt(name) + " is no macro of the " + driver_.name + " driver");
    if (Listed(kSoundEffectMacros, name)) return EffectMacro(name, operands);
    Fail("unknown macro or directive " + Excerpt(name));
  }

  // The header is a song's or an effect's: the first header macro after
  // smpsHeaderVoice decides which, and the other kind's are refused.
  void HeaderKind(std::string_view macro, bool effect) {
    if (!header_kind_) header_kind_ = effect;
    if (*header_kind_ == effect) return;
    Fail(Excerpt(macro) + (effect ? " belongs to sound effects, and this is a song"
                                  : " belongs to songs, and this is a sound effect"));
  }

  // smpsHeaderTempoSFX, smpsHeaderChanSFX, smpsHeaderSFXChannel.
  void EffectMacro(std::string_view name, std::span<const std::string_view> operands) {
    HeaderKind(name, /*effect=*/true);
    if (name != "smpsHeaderSFXChannel") {
      Require(name, operands, 1);
      return EmitByte(Value(operands[0]));
    }
    Require(name, operands, 4);
    const std::int64_t id = Value(operands[0]);
    if (final_ && id == *IncludedEquate("cFM6", version_)) {
      Fail("smpsHeaderSFXChannel with cFM6 stops the build: effects cannot take FM6");
    }
    EmitByte(kSonic1Effects.header.playing);
    EmitByte(id);
    EmitHeaderPointer(operands[1]);
    // A PSG track's transposition is converted as smpsHeaderPSG's is.
    const std::int64_t pitch = Value(operands[2]);
    EmitByte(source_driver_ >= 3 && (id & 0x80) != 0 ? (pitch - 12) & 0xFF : pitch);
    EmitByte(Value(operands[3]));
  }

  // A flag and its parameters; most macros write them as given.
  void FlagMacro(std::string_view name, std::uint8_t flag,
                 std::span<const std::string_view> operands) {
    switch (flag) {
      case flag::kPan:
        Require(name, operands, 2);
        pan_names_ = true;  // the macro defines them before it uses its operands
        EmitByte(flag);
        return EmitByte(Value(operands[0]) + Value(operands[1]));
      case flag::kFadeIn:
        // A song for a later driver fades only with $FF or no operand; else
        // driver 1's include writes nothing, driver 2's E2 and the operand.
        if (source_driver_ >= 3 && Given(operands, 0) && operands[0] != "$FF") {
          if (version_ == 1) return;
          EmitByte(flag::kCommunication);
          return EmitByte(Value(operands[0]));
        }
        return EmitByte(flag);
      case flag::kFmVolumeStep:
        // Driver 2's include writes the second operand when one is given.
        if (version_ == 2 && name == "smpsFMAlterVol" && Given(operands, 1)) {
          EmitByte(flag);
          return EmitByte(Value(operands[1]));
        }
        return Flag(name, operands, flag, driver_.Flag(flag).parameters);
      case flag::kTempo:
        Require(name, operands, 1);
        EmitByte(flag);
        return EmitByte(Tempo(Value(operands[0])));
      case flag::kModulationSetup:
        return ModulationSetup(operands);
      case flag::kJump:
      case flag::kCall:
        Require(name, operands, 1);
        EmitByte(flag);
        return EmitDataPointer(operands[0]);
      case flag::kLoop:
        Require(name, operands, 3);
        EmitByte(flag);
        EmitByte(Value(operands[0]));
        EmitByte(Value(operands[1]));
        return EmitDataPointer(operands[2]);
      default:
        return Flag(name, operands, flag, driver_.Flag(flag).parameters);
    }
  }

  void StartSong(std::span<const std::string_view> operands) {
    if (song_started_) Fail("a second smpsHeaderStartSong: a file holds one song");
    if (address_ != start_) Fail("bytes before smpsHeaderStartSong, where the song must begin");
    Require("smpsHeaderStartSong", operands, 1);
    const std::int64_t driver = Value(operands[0], /*strict=*/true);
    if (driver < 1 || driver > 5) {
      Fail("smpsHeaderStartSong names driver " + std::to_string(driver) +
           "; songs are written for drivers 1 to 5");
    }
    source_driver_ = driver;
    voice_mode_ = Given(operands, 1) ? Value(operands[1], /*strict=*/true) : 0;
    song_started_ = true;
  }

  void ModulationSetup(std::span<const std::string_view> operands) {
    Require("smpsModSet", operands, 4);
    std::array<std::int64_t, 4> values{};
    for (std::size_t i = 0; i < 4; ++i) values[i] = Value(operands[i]);
    if (source_driver_ >= 3) {
      const std::int64_t speed = Count256(values[1]);
      values = {values[0] - 1, values[1], values[2], Count256(values[3]) / speed - 1};
    } else if (version_ == 2 && source_driver_ == 1) {
      // Driver 2 modulates from a note's first frame, driver 1 from its second.
      values[0] += 1;
    }
    EmitByte(flag::kModulationSetup);
    for (std::int64_t value : values) EmitByte(value);
  }

  void VoiceMacro(int index, std::string_view name, std::span<const std::string_view> operands) {
    const VoiceLine& line = kVoiceLines[index];
    Require(name, operands, static_cast<std::size_t>(line.required));
    for (int i = 0; i < line.arguments; ++i) {
      voice_[index][i] = Given(operands, i) ? Value(operands[i]) : 0;
    }
    if (name == "smpsVcUnusedBits") all_four_x_ = Given(operands, 4);
    if (name != "smpsVcTotalLevel") return;
    // A value the song never set is the one the build carries from earlier
    // songs: 0, as nothing before the music sets one.
    for (std::int64_t value :
         VoiceRecord(voice_, all_four_x_, voice_mode_, driver_.source.voice_registers)) {
      EmitByte(value);
    }
  }

  const Driver& driver_;
  // The address of the song's first byte, as the build places it: labels
  // and * are addresses, and so is a number given for a pointer.
  const std::int64_t start_;
  // The include file's SonicDriverVer, on which its macros' bytes depend.
  const int version_;
  SourceStatements statements_;
  std::size_t current_ = 0;  // the statement being read
  static constexpr std::uint32_t kUnsplit = UINT32_MAX;
  std::vector<std::pair<std::uint32_t, std::uint32_t>>
      split_;                               // per statement: operands_ first, count
  std::vector<std::string_view> operands_;  // of every statement split
  std::vector<std::string_view> scratch_;
  std::map<std::string, std::int64_t, std::less<>> defines_;
  // Every name the source defines, as places in the source: labels from
  // the first pass on, constants and variables of the pass that defined them.
  std::unordered_map<std::string_view, Symbol> symbols_;
  int pass_ = 0;
  std::string label_prefix_;
  bool final_ = false;
  int line_ = 0;
  std::int64_t address_ = 0;
  std::int64_t statement_address_ = 0;  // where the statement being read begins: *
  std::vector<std::uint8_t> bytes_;
  std::vector<IfBlock> conditionals_;
  bool song_started_ = false;
  std::optional<bool> header_kind_;  // true: an effect's header macros
  std::int64_t source_driver_ = 1;
  std::int64_t voice_mode_ = 0;
  bool pan_names_ = false;
  VoiceValues voice_{};
  bool all_four_x_ = false;
};

}  // namespace

std::vector<SourceDefine> StandardDefines() { return {{"FixMusicAndSFXDataBugs", 0}}; }

AssembledSong AssembleSource(const Driver& driver, std::string_view source,
                             const std::vector<SourceDefine>& defines) {
  return Assembler(driver, source, defines).Run();
}

}  // namespace quorlin
