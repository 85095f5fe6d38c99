// A fast 64-bit checksum: enough to tell a record that was written whole from one that was
// cut short or belongs to other bytes, not a defence against anyone forging one.
#pragma once

#include <cstddef>
#include <cstdint>

const uint64_t CHECKSUM_START = 0x6A09E667F3BCC909ull;

// The checksum of bytes that arrive in pieces of any size: the result is that of the same
// bytes summed in one call, so a record on disk can be summed through a small buffer.
class ChecksumStream {
public:
    explicit ChecksumStream(uint64_t start = CHECKSUM_START);
    void Add(const void* bytes, size_t length);
    uint64_t Result() const;

private:
    static const size_t LANES = 4;
    static const size_t BLOCK = LANES * sizeof(uint64_t);

    void AddBlock(const uint8_t* block);

    uint64_t lane_[LANES];
    uint8_t pending_[BLOCK];
    size_t pendingBytes_ = 0;
    uint64_t total_ = 0;
};

// The sum of length bytes, started from sum: chained calls give the same result only for
// the same pieces, so a record is summed in the pieces it is written in.
uint64_t Checksum(uint64_t sum, const void* bytes, size_t length);
