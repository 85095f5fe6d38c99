// Sample decoding and encoding around the channel mix and the resampler.
#include "bank/wave_conversion.h"

#include <cmath>
#include <cstring>

#include "bank/channel_mix.h"
#include "bank/resample.h"

namespace {

const unsigned BITS_PER_BYTE = 8;
const unsigned INT_BITS = 32;
// 8-bit samples are unsigned, silence at 128: flipping the top bit makes them signed.
const uint32_t SIGN_BIT = 0x80000000u;
const double FULL_SCALE_32 = 2147483648.0;  // 2^31
const double GENERATOR_RANGE = 4294967296.0;  // 2^32
// The dither's generator starts here for every sound: packages are reproducible.
const uint32_t DITHER_SEED = 0x9E3779B9u;
const size_t READ_BLOCK_BYTES = 1 << 18;

unsigned BytesOf(const SoundFormat& format)
{
    return format.containerBits / BITS_PER_BYTE;
}

// A sample as a 32-bit integer, its bits at the top.
int32_t ReadInteger(const uint8_t* at, unsigned bytes)
{
    uint32_t value = 0;
    for (unsigned i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(at[i]) << (INT_BITS - BITS_PER_BYTE * (bytes - i));
    if (bytes == 1)
        value ^= SIGN_BIT;
    return static_cast<int32_t>(value);
}

// The top bytes of a sample held with its bits at the top.
void WriteInteger(uint8_t* at, unsigned bytes, int32_t sample)
{
    uint32_t value = static_cast<uint32_t>(sample);
    if (bytes == 1)
        value ^= SIGN_BIT;
    for (unsigned i = 0; i < bytes; ++i)
        at[i] = static_cast<uint8_t>(value >> (INT_BITS - BITS_PER_BYTE * (bytes - i)));
}

double ReadFloat(const uint8_t* at, unsigned bytes)
{
    if (bytes == sizeof(float)) {
        float value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    double value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// count samples at sound into floats at samples.
void DecodeSamples(const uint8_t* sound, size_t count, const SoundFormat& from, float* samples)
{
    const unsigned bytes = BytesOf(from);
    // Single floats are the bytes themselves, little-endian as the processor is.
    if (from.kind == SampleKind::IEEE_FLOAT && bytes == sizeof(float)) {
        std::memcpy(samples, sound, count * sizeof(float));
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* at = sound + i * bytes;
        samples[i] = from.kind == SampleKind::IEEE_FLOAT ? static_cast<float>(ReadFloat(at, bytes))
                                                    : static_cast<float>(ReadInteger(at, bytes) / FULL_SCALE_32);
    }
}

// Frames read at once: the sound is read a block at a time, never held whole as read.
size_t FramesPerBlock(size_t frameBytes)
{
    return READ_BLOCK_BYTES / frameBytes;
}

// The frames of the sound as floats, mixed down to to's channels where it has more: the
// rate conversion then works on the fewest.
bool ReadSamples(const SoundReader& read, size_t frames, const SoundFormat& from, const SoundFormat& to,
                 std::vector<float>& samples)
{
    const bool mixDown = to.channels < from.channels;
    const unsigned channels = mixDown ? to.channels : from.channels;
    const ChannelMix mix(from.channels, from.channelMask, to.channels);
    const size_t frameBytes = BytesOf(from) * from.channels;
    const size_t blockFrames = FramesPerBlock(frameBytes);
    std::vector<uint8_t> block(blockFrames * frameBytes);
    std::vector<float> decoded(mixDown ? blockFrames * from.channels : 0);
    samples.assign(frames * channels, 0.0f);
    for (size_t done = 0; done < frames;) {
        const size_t count = frames - done < blockFrames ? frames - done : blockFrames;
        if (!read(block.data(), count * frameBytes))
            return false;
        float* at = &samples[done * channels];
        DecodeSamples(block.data(), count * from.channels, from, mixDown ? decoded.data() : at);
        if (mixDown)
            mix.Mix(decoded.data(), count, at);
        done += count;
    }
    return true;
}

// Triangular dither of one output step's width, from two uniform draws.
class Dither {
public:
    double Next() { return Uniform() + Uniform() - 1.0; }

private:
    double Uniform()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ / GENERATOR_RANGE;
    }
    uint32_t state_ = DITHER_SEED;
};

void EncodeSamples(const std::vector<float>& samples, const SoundFormat& to, ConvertedSound& converted)
{
    const unsigned bytes = BytesOf(to);
    const double scale = std::ldexp(1.0, static_cast<int>(to.containerBits) - 1);
    const double lowest = -scale;
    const double highest = scale - 1.0;
    const int shift = static_cast<int>(INT_BITS - to.containerBits);
    Dither dither;
    converted.bytes.assign(samples.size() * bytes, 0);
    converted.clipped = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        double value = std::floor(samples[i] * scale + dither.Next() + 0.5);
        if (value < lowest || value > highest) {
            ++converted.clipped;
            value = value < lowest ? lowest : highest;
        }
        const int64_t atTop = static_cast<int64_t>(value) * (int64_t{1} << shift);
        WriteInteger(&converted.bytes[i * bytes], bytes, static_cast<int32_t>(atTop));
    }
}

// Same channels and rate, integers into no fewer bits: every sample kept as it was.
bool KeepsSamples(const SoundFormat& from, const SoundFormat& to)
{
    return from.kind == SampleKind::INTEGER && from.channels == to.channels && from.rate == to.rate &&
           to.containerBits >= from.containerBits;
}

bool CopySamples(const SoundReader& read, size_t frames, const SoundFormat& from, const SoundFormat& to,
                 ConvertedSound& converted)
{
    const unsigned fromBytes = BytesOf(from);
    const unsigned toBytes = BytesOf(to);
    const size_t frameBytes = fromBytes * from.channels;
    const size_t blockFrames = FramesPerBlock(frameBytes);
    std::vector<uint8_t> block(blockFrames * frameBytes);
    converted.bytes.assign(frames * from.channels * toBytes, 0);
    converted.clipped = 0;
    uint8_t* out = converted.bytes.data();
    for (size_t done = 0; done < frames;) {
        const size_t count = frames - done < blockFrames ? frames - done : blockFrames;
        if (!read(block.data(), count * frameBytes))
            return false;
        for (size_t i = 0; i < count * from.channels; ++i, out += toBytes)
            WriteInteger(out, toBytes, ReadInteger(&block[i * fromBytes], fromBytes));
        done += count;
    }
    return true;
}

}  // namespace

bool ConvertSound(const SoundReader& read, size_t bytes, const SoundFormat& from, const SoundFormat& to,
                  ConvertedSound& converted)
{
    const size_t frames = bytes / (BytesOf(from) * from.channels);
    if (KeepsSamples(from, to))
        return CopySamples(read, frames, from, to, converted);
    std::vector<float> samples;
    if (!ReadSamples(read, frames, from, to, samples))
        return false;
    const unsigned channels = to.channels < from.channels ? to.channels : from.channels;
    if (from.rate != to.rate) {
        std::vector<float> resampled;
        if (!Resample(samples, channels, from.rate, to.rate, resampled))
            return false;
        samples.swap(resampled);
    }
    if (to.channels > from.channels) {
        std::vector<float> mixed(samples.size() / channels * to.channels);
        ChannelMix(from.channels, from.channelMask, to.channels).Mix(samples.data(), samples.size() / channels,
                                                                     mixed.data());
        samples.swap(mixed);
    }
    EncodeSamples(samples, to, converted);
    return true;
}
