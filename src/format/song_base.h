// The address of a song's first byte, found from its own pointers, for a
// driver whose pointers hold addresses.
//
// A song written as SMPS2ASM source lays out its headers, then its data
// (channels, subroutines and the voice table in some order): the lowest
// address that any of its pointers leads to is the first byte behind the
// headers. The pointers counted are the header's (the voice table's unless
// it is 0, every channel's) and those of the jumps, loops and calls met
// when each channel is followed from its start. The first guess puts the
// header's lowest pointer right behind the headers (where the disassembly's
// songs have their first channel); which flags' pointers are met depends on
// the guess, so it is made again from the lowest pointer met until it
// stays, at most 16 times.
//
// Then the address is checked: every pointer counted leads inside the
// file, behind its headers, and the song lies inside the driver's
// addresses. What fools the rule: bytes right behind the headers that no
// pointer leads to (data that only falls through into what follows, or
// bytes never played), which make it find an address too low by their
// count (mostly the check then finds a pointer that leads past the file);
// and a song whose first data is a subroutine or loop body that no header
// pointer leads to, where the first guess is too high and the channels are
// followed from the wrong bytes (mostly the guesses then do not stay or
// fail the check).
#ifndef QUORLIN_FORMAT_SONG_BASE_H_
#define QUORLIN_FORMAT_SONG_BASE_H_

#include <cstdint>
#include <span>

#include "format/driver.h"

namespace quorlin {

// Throws TrackError, naming the pointer that does not fit, when the
// guesses do not stay on one address or the one they stay on fails the
// check.
std::int64_t FindSongAddress(const Driver& driver, std::span<const std::uint8_t> song);

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_SONG_BASE_H_
