#include "frontend/report_text.h"

#include <algorithm>
#include <cstdio>

namespace quorlin {

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

namespace {

// The length of the well-formed UTF-8 sequence that starts `text`, or 0.
std::size_t Utf8Length(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;  // C0, C1 and F5-FF never lead, 80-BF only follow
  if (lead < 0x80) {
    length = 1;
  } else if (lead >= 0xC2 && lead < 0xF5) {
    length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  }
  if (length == 0 || length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  // Neither an overlong form nor a surrogate nor beyond U+10FFFF.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0) ||
      (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)) {
    return 0;
  }
  return length;
}

}  // namespace

std::string Printable(std::string_view name) {
  std::string shown;
  const auto escape = [&shown](unsigned char byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    shown += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0xF]};
  };
  for (std::size_t i = 0; i < name.size();) {
    const auto byte = static_cast<unsigned char>(name[i]);
    const std::size_t length = std::max<std::size_t>(Utf8Length(name.substr(i)), 1);
    // Control characters: the ASCII ones, the C1 ones as UTF-8 (C2 80-C2 9F,
    // both bytes escaped) and a byte 80-9F outside a UTF-8 character, which a
    // console of an 8-bit character set reads as a C1 control (9B: an escape).
    // Other bytes outside a character (Latin-1 letters) are shown as they are.
    const bool c1_control = (byte == 0xC2 && length == 2 &&
                             static_cast<unsigned char>(name[i + 1]) < 0xA0) ||
                            (byte >= 0x80 && byte < 0xA0);
    if (byte < 0x20 || byte == 0x7F || c1_control) {
      for (const std::size_t end = i + length; i < end; ++i) {
        escape(static_cast<unsigned char>(name[i]));
      }
    } else {
      shown.append(name.substr(i, length));
      i += length;
    }
  }
  return shown;
}

void PrintNameLine(const std::string& name, std::ostream& console) {
  console << "\n -> " << Printable(name) << "\n";
}

}  // namespace quorlin
