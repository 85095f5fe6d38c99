// A fast 64-bit checksum: enough to tell a record that was written whole from one that was
// cut short or belongs to other bytes, not a defence against anyone forging one.
#pragma once

#include <cstddef>
#include <cstdint>

const uint64_t CHECKSUM_START = 0x6A09E667F3BCC909ull;

// The sum of length bytes, started from sum: chained calls give the same result only for
// the same pieces, so a record is summed in the pieces it is written in.
uint64_t Checksum(uint64_t sum, const void* bytes, size_t length);
