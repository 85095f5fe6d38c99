// Four independent lanes over 8-byte words, so that the multiplications overlap: the
// checksum of a record must not cost more than the disk writes it protects.
#include "bank/checksum.h"

#include <cstring>

namespace {

const uint64_t PRIME_A = 0x9E3779B185EBCA87ull;
const uint64_t PRIME_B = 0xC2B2AE3D27D4EB4Full;
const int ROTATION = 31;
const size_t LANES = 4;
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

uint64_t Checksum(uint64_t sum, const void* bytes, size_t length)
{
    const uint8_t* at = static_cast<const uint8_t*>(bytes);
    const uint64_t total = length;
    uint64_t lane[LANES] = {sum, sum ^ PRIME_A, sum ^ PRIME_B, Rotate(sum, ROTATION)};
    for (; length >= LANES * WORD; length -= LANES * WORD, at += LANES * WORD) {
        for (size_t i = 0; i < LANES; ++i)
            lane[i] = Mix(lane[i], WordAt(at + i * WORD));
    }
    uint64_t result = Rotate(lane[0], 1) + Rotate(lane[1], 7) + Rotate(lane[2], 12) + Rotate(lane[3], 18);
    for (; length > 0; --length, ++at)
        result = (result ^ *at) * PRIME_A;
    return Mix(result, total);
}
