// Byte order and offsets as the song format and the console show them.
#ifndef QUORLIN_FORMAT_BYTES_H_
#define QUORLIN_FORMAT_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quorlin {

// Reads the two bytes at `at`, high byte first. The caller has checked that
// both lie inside `bytes`.
inline std::uint16_t ReadBigEndian16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

inline void WriteBigEndian16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

// The four bytes at `at`, highest first: a 68000 address or long word.
inline std::uint32_t ReadBigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(ReadBigEndian16(bytes, at)) << 16 |
         ReadBigEndian16(bytes, at + 2);
}

inline void WriteBigEndian32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
  WriteBigEndian16(bytes, at, static_cast<std::uint16_t>(value >> 16));
  WriteBigEndian16(bytes, at + 2, static_cast<std::uint16_t>(value & 0xFFFF));
}

// How a processor stores a 16-bit value: the 68000 high byte first, the
// Z80 low byte first.
enum class ByteOrder : std::uint8_t { kBigEndian, kLittleEndian };

inline std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at, ByteOrder order) {
  const std::uint16_t value = ReadBigEndian16(bytes, at);
  return order == ByteOrder::kBigEndian ? value
                                        : static_cast<std::uint16_t>(value >> 8 | value << 8);
}

inline void Write16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value,
                    ByteOrder order) {
  WriteBigEndian16(
      bytes, at,
      order == ByteOrder::kBigEndian ? value : static_cast<std::uint16_t>(value >> 8 | value << 8));
}

// "0x01A4": an offset in the style of every error line. Negative offsets (a
// pointer that leads before the file) keep their sign: "-0x0003".
std::string FormatOffset(long long offset);

// "$1380": an address as the sound driver's source writes it, at least four
// upper-case hex digits.
std::string FormatAddress(long long address);

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_BYTES_H_
