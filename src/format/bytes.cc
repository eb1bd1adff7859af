#include "format/bytes.h"

#include <cstdio>

namespace quorlin {

std::string FormatOffset(long long offset) {
  char text[32];
  const unsigned long long magnitude =
      offset < 0 ? 0ULL - static_cast<unsigned long long>(offset) : offset;
  std::snprintf(text, sizeof text, "%s0x%04llX", offset < 0 ? "-" : "", magnitude);
  return text;
}

std::string FormatAddress(long long address) {
  char text[32];
  std::snprintf(text, sizeof text, "%s$%04llX", address < 0 ? "-" : "",
                static_cast<unsigned long long>(address < 0 ? -address : address));
  return text;
}

}  // namespace quorlin
