// Four independent lanes over 8-byte words, so that the multiplications overlap: the
// checksum of a record must not cost more than the disk writes it protects.
#include "bank/checksum.h"

#include <cstring>

namespace {

const uint64_t PRIME_A = 0x9E3779B185EBCA87ull;
const uint64_t PRIME_B = 0xC2B2AE3D27D4EB4Full;
const int ROTATION = 31;
const size_t WORD = sizeof(uint64_t);

uint64_t Rotate(uint64_t value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

uint64_t Mix(uint64_t lane, uint64_t word)
{
    return Rotate(lane + word * PRIME_B, ROTATION) * PRIME_A;
}

uint64_t WordAt(const uint8_t* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, WORD);
    return word;
}

}  // namespace

ChecksumStream::ChecksumStream(uint64_t start)
    : lane_{start, start ^ PRIME_A, start ^ PRIME_B, Rotate(start, ROTATION)}, pending_{}
{
}

void ChecksumStream::AddBlock(const uint8_t* block)
{
    for (size_t i = 0; i < LANES; ++i)
        lane_[i] = Mix(lane_[i], WordAt(block + i * WORD));
}

void ChecksumStream::Add(const void* bytes, size_t length)
{
    const uint8_t* at = static_cast<const uint8_t*>(bytes);
    total_ += length;
    if (pendingBytes_ > 0 && length > 0) {
        const size_t taken = length < BLOCK - pendingBytes_ ? length : BLOCK - pendingBytes_;
        std::memcpy(pending_ + pendingBytes_, at, taken);
        pendingBytes_ += taken;
        at += taken;
        length -= taken;
        if (pendingBytes_ < BLOCK)
            return;
        AddBlock(pending_);
        pendingBytes_ = 0;
    }
    for (; length >= BLOCK; length -= BLOCK, at += BLOCK)
        AddBlock(at);
    if (length > 0)
        std::memcpy(pending_, at, length);
    pendingBytes_ = length;
}

uint64_t ChecksumStream::Result() const
{
    uint64_t result = Rotate(lane_[0], 1) + Rotate(lane_[1], 7) + Rotate(lane_[2], 12) + Rotate(lane_[3], 18);
    for (size_t i = 0; i < pendingBytes_; ++i)
        result = (result ^ pending_[i]) * PRIME_A;
    return Mix(result, total_);
}

uint64_t Checksum(uint64_t sum, const void* bytes, size_t length)
{
    ChecksumStream stream(sum);
    stream.Add(bytes, length);
    return stream.Result();
}
