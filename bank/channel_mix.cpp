// Channel mixing of interleaved float frames, as a weight per output and input channel.
#include "bank/channel_mix.h"

#include <cstddef>

namespace {

const unsigned MONO = 1;
const unsigned STEREO = 2;
const unsigned SURROUND_5_1 = 6;
const unsigned SURROUND_7_1 = 8;
// Centre and surround channels join the front pair 3 dB down; the LFE channel is left out.
const float MINUS_3_DB = 0.70710678f;

// The speaker masks whose channel order the stereo down-mix knows: front left, front right,
// centre, LFE, then the surround pairs (back, or side, or back and side).
const uint32_t MASK_5_1_BACK = 0x3F;
const uint32_t MASK_5_1_SIDE = 0x60F;
const uint32_t MASK_7_1 = 0x63F;

using Weights = std::vector<std::vector<float>>;  // [output][input]

Weights MeanOfAll(unsigned from, unsigned to)
{
    return Weights(to, std::vector<float>(from, 1.0f / static_cast<float>(from)));
}

bool KnownSurround(unsigned from, uint32_t mask)
{
    if (from == SURROUND_5_1)
        return mask == 0 || mask == MASK_5_1_BACK || mask == MASK_5_1_SIDE;
    return from == SURROUND_7_1 && (mask == 0 || mask == MASK_7_1);
}

// Left takes front left, centre and the left surrounds (inputs 4, 6); right the mirror.
Weights SurroundToStereo(unsigned from)
{
    Weights weights(STEREO, std::vector<float>(from, 0.0f));
    for (unsigned side = 0; side < STEREO; ++side) {
        weights[side][side] = 1.0f;
        weights[side][2] = MINUS_3_DB;
        for (unsigned surround = 4 + side; surround < from; surround += STEREO)
            weights[side][surround] = MINUS_3_DB;
    }
    return weights;
}

Weights MixWeights(unsigned from, uint32_t mask, unsigned to)
{
    if (from == MONO)
        return Weights(to, std::vector<float>(MONO, 1.0f));
    if (to == STEREO && KnownSurround(from, mask))
        return SurroundToStereo(from);
    return MeanOfAll(from, to);
}

}  // namespace

ChannelMix::ChannelMix(unsigned fromChannels, uint32_t fromMask, unsigned toChannels)
    : from_(fromChannels), to_(toChannels)
{
    for (const std::vector<float>& row : MixWeights(fromChannels, fromMask, toChannels))
        weights_.insert(weights_.end(), row.begin(), row.end());
}

void ChannelMix::Mix(const float* frames, size_t count, float* mixed) const
{
    for (size_t frame = 0; frame < count; ++frame) {
        const float* in = frames + frame * from_;
        float* out = mixed + frame * to_;
        for (unsigned o = 0; o < to_; ++o) {
            const float* weight = &weights_[o * from_];
            float sum = 0.0f;
            for (unsigned i = 0; i < from_; ++i)
                sum += weight[i] * in[i];
            out[o] = sum;
        }
    }
}
