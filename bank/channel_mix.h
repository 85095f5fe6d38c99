// Interleaved float frames from one channel count to another: to mono the mean of all
// channels, from mono the same sound in every channel, 5.1 and 7.1 to stereo by the usual
// down-mix, anything else every channel the mean of all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ChannelMix {
public:
    ChannelMix(unsigned fromChannels, uint32_t fromMask, unsigned toChannels);
    // count frames of fromChannels into count frames of toChannels at mixed.
    void Mix(const float* frames, size_t count, float* mixed) const;

private:
    unsigned from_;
    unsigned to_;
    std::vector<float> weights_;  // [output][input], row after row
};
