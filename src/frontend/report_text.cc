#include "frontend/report_text.h"

#include <cstdio>

namespace quorlin {

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

std::string Printable(std::string_view name) {
  std::string shown;
  const auto escape = [&shown](unsigned char byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    shown += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0xF]};
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    const bool c1_control = byte == 0xC2 && i + 1 < name.size() &&
                            (static_cast<unsigned char>(name[i + 1]) & 0xE0) == 0x80;
    if (c1_control) {
      escape(byte);
      escape(static_cast<unsigned char>(name[++i]));
    } else if (byte < 0x20 || byte == 0x7F) {
      escape(byte);
    } else {
      shown += name[i];
    }
  }
  return shown;
}

void PrintNameLine(const std::string& name, std::ostream& console) {
  console << "\n -> " << Printable(name) << "\n";
}

}  // namespace quorlin
