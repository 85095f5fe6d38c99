// Conversion of sounds to their entry's format: level and frequency kept, the down-mix, the
// sample codings at the edges, clipping and reproducible dither; format records read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bank/sound_format.h"
#include "bank/wave.h"
#include "bank/wave_conversion.h"
#include "tools/bank_files.h"

namespace {

const double PI = 3.14159265358979323846;

SoundFormat Pcm(unsigned channels, uint32_t rate, unsigned bits)
{
    return {SampleKind::INTEGER, channels, rate, bits, bits, 0};
}

SoundFormat Float(unsigned channels, uint32_t rate)
{
    return {SampleKind::IEEE_FLOAT, channels, rate, 32, 32, 0};
}

Bytes FloatSound(const std::vector<float>& samples)
{
    Bytes bytes(samples.size() * sizeof(float));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

std::vector<int> Samples16(const ConvertedSound& sound)
{
    std::vector<int> samples;
    for (size_t i = 0; i + 1 < sound.bytes.size(); i += 2)
        samples.push_back(static_cast<int16_t>(ReadLe16(&sound.bytes[i])));
    return samples;
}

ConvertedSound Convert(const Bytes& sound, const SoundFormat& from, const SoundFormat& to)
{
    ConvertedSound converted;
    size_t at = 0;
    const SoundReader read = [&](uint8_t* bytes, size_t count) {
        std::memcpy(bytes, sound.data() + at, count);
        at += count;
        return true;
    };
    EXPECT_TRUE(ConvertSound(read, sound.size(), from, to, converted));
    return converted;
}

// The amplitude of the sine of frequency in samples at rate, past the resampler's edges.
double AmplitudeAt(const std::vector<int>& samples, double frequency, uint32_t rate)
{
    double inPhase = 0.0;
    double quadrature = 0.0;
    const size_t from = samples.size() / 4;
    const size_t to = samples.size() * 3 / 4;
    for (size_t i = from; i < to; ++i) {
        const double angle = 2.0 * PI * frequency * static_cast<double>(i) / rate;
        inPhase += samples[i] * std::cos(angle);
        quadrature += samples[i] * std::sin(angle);
    }
    return 2.0 * std::hypot(inPhase, quadrature) / static_cast<double>(to - from) / 32768.0;
}

Bytes RecordBytes(unsigned tag, unsigned channels, uint32_t rate, unsigned blockAlign, unsigned bits)
{
    Bytes record(16, 0);
    record[0] = static_cast<uint8_t>(tag);
    record[1] = static_cast<uint8_t>(tag >> 8);
    record[2] = static_cast<uint8_t>(channels);
    PutLe32(record.data() + 4, rate);
    record[12] = static_cast<uint8_t>(blockAlign);
    record[14] = static_cast<uint8_t>(bits);
    return record;
}

Bytes Extensible(unsigned subTag, unsigned channels, unsigned bits, unsigned validBits)
{
    Bytes record = RecordBytes(0xFFFE, channels, 48000, channels * bits / 8, bits);
    const uint8_t tail[] = {22, 0, static_cast<uint8_t>(validBits), 0, 3, 0, 0, 0, static_cast<uint8_t>(subTag), 0,
                            0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    record.insert(record.end(), tail, tail + sizeof tail);
    return record;
}

}  // namespace

// A wrong ratio, a lost gain, a delay, a resampler fed the wrong channel count or a seam
// between the halves of a long sound moves the tone off the ideal one.
TEST(WaveConversionTest, ASineKeepsItsFrequencyAndLevel)
{
    const int frames = 4 * 44100;
    std::vector<float> stereo;
    for (int i = 0; i < frames; ++i) {
        const float value = static_cast<float>(0.5 * std::sin(2.0 * PI * 1000.0 * i / 44100.0));
        stereo.push_back(value);
        stereo.push_back(value);
    }
    const ConvertedSound converted = Convert(FloatSound(stereo), Float(2, 44100), Pcm(1, 22050, 16));
    const std::vector<int> samples = Samples16(converted);
    ASSERT_EQ(static_cast<size_t>(frames / 2), samples.size());
    EXPECT_NEAR(0.5, AmplitudeAt(samples, 1000.0, 22050), 0.005);
    double worst = 0.0;
    for (size_t n = 1000; n + 1000 < samples.size(); ++n) {
        const double ideal = 16384.0 * std::sin(2.0 * PI * 1000.0 * static_cast<double>(n) / 22050.0);
        worst = std::max(worst, std::fabs(samples[n] - ideal));
    }
    EXPECT_LT(worst, 3.0) << "steps off the ideal sine";
    EXPECT_EQ(0u, converted.clipped);
}

// A fall in rate of more than 256 times goes in stages: a stage's rate off its mark moves
// the tone, a stage left out leaves the sound at the wrong length.
TEST(WaveConversionTest, AFallInRateBeyondOneStageKeepsTheTone)
{
    const int frames = 384000;
    std::vector<float> mono;
    for (int i = 0; i < frames; ++i)
        mono.push_back(static_cast<float>(0.5 * std::sin(2.0 * PI * 100.0 * i / 384000.0)));
    const std::vector<int> samples = Samples16(Convert(FloatSound(mono), Float(1, 384000), Pcm(1, 1000, 16)));
    ASSERT_EQ(1000u, samples.size());
    EXPECT_NEAR(0.5, AmplitudeAt(samples, 100.0, 1000), 0.005);
}

// Right the left one negated: a mix that takes one channel, or adds without halving the
// other, is heard.
TEST(WaveConversionTest, OppositeChannelsMixToSilenceInMono)
{
    Bytes stereo;
    for (int i = 0; i < 1000; ++i) {
        const int16_t value = static_cast<int16_t>(10000.0 * std::sin(i * 0.1));
        for (int16_t sample : {value, static_cast<int16_t>(-value)}) {
            stereo.push_back(static_cast<uint8_t>(sample & 0xFF));
            stereo.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
        }
    }
    for (int sample : Samples16(Convert(stereo, Pcm(2, 22050, 16), Pcm(1, 22050, 16))))
        ASSERT_LE(std::abs(sample), 1) << "only the dither remains";
}

// 24-bit samples are signed, 8-bit ones unsigned around 128; a container change keeps them.
TEST(WaveConversionTest, SampleCodingsKeepTheirSignAndOffset)
{
    const Bytes negative24 = {0x00, 0x00, 0xF0, 0x00, 0x00, 0x10};  // -1048576, +1048576
    const std::vector<int> to16 = Samples16(Convert(negative24, Pcm(1, 22050, 24), Pcm(1, 22050, 16)));
    ASSERT_EQ(2u, to16.size());
    EXPECT_NEAR(-4096, to16[0], 1);
    EXPECT_NEAR(4096, to16[1], 1);
    const ConvertedSound to32 = Convert(negative24, Pcm(1, 22050, 24), Pcm(1, 22050, 32));
    EXPECT_EQ(0xF0000000u, ReadLe32(to32.bytes.data())) << "more bits keep the sample exactly";

    const Bytes eightBit = {128, 0, 255};
    EXPECT_EQ((std::vector<int>{0, -32768, 32512}), Samples16(Convert(eightBit, Pcm(1, 8000, 8), Pcm(1, 8000, 16))));
    const Bytes back = Convert(Bytes{0, 0, 0, 0x80, 0xFF, 0x7F}, Pcm(1, 8000, 16), Pcm(1, 8000, 8)).bytes;
    EXPECT_NEAR(128, back[0], 1);
    EXPECT_EQ(0, back[1]);
    EXPECT_EQ(255, back[2]);
}

// A sound of many read blocks comes in whole and in order, exactly where only its container
// changes; a read that fails part way fails the conversion, so that no sound made of bytes
// that were never read enters a package.
TEST(WaveConversionTest, ALongSoundIsReadWholeAndAFailedReadFailsTheConversion)
{
    Bytes eightBit(600000);
    for (size_t i = 0; i < eightBit.size(); ++i)
        eightBit[i] = static_cast<uint8_t>(i % 251);
    const std::vector<int> samples = Samples16(Convert(eightBit, Pcm(1, 8000, 8), Pcm(1, 8000, 16)));
    ASSERT_EQ(eightBit.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ((eightBit[i] - 128) * 256, samples[i]) << "sample " << i;

    size_t reads = 0;
    const SoundReader failsSecond = [&](uint8_t* bytes, size_t count) {
        std::memset(bytes, 0, count);
        return ++reads < 2;
    };
    ConvertedSound converted;
    EXPECT_FALSE(ConvertSound(failsSecond, eightBit.size(), Pcm(1, 8000, 8), Pcm(1, 8000, 16), converted));
    reads = 0;
    EXPECT_FALSE(ConvertSound(failsSecond, eightBit.size(), Pcm(2, 44100, 16), Pcm(1, 22050, 16), converted));
}

// Float beyond full scale is cut and counted; the dither starts from the same seed each time.
TEST(WaveConversionTest, OversIsClippedAndCountedAndTwoRunsGiveTheSameBytes)
{
    const Bytes loud = FloatSound({1.5f, -2.0f, 0.5f, 1.0f});
    const ConvertedSound converted = Convert(loud, Float(1, 22050), Pcm(1, 22050, 16));
    const std::vector<int> samples = Samples16(converted);
    EXPECT_EQ(32767, samples[0]);
    EXPECT_EQ(-32768, samples[1]);
    EXPECT_NEAR(16384, samples[2], 1);
    EXPECT_EQ(3u, converted.clipped) << "1.0 itself lies one step beyond the highest 16-bit value";

    std::vector<float> noise;
    for (int i = 0; i < 5000; ++i)
        noise.push_back(static_cast<float>(std::sin(i * 0.37) * 0.3));
    const Bytes sound = FloatSound(noise);
    EXPECT_EQ(Convert(sound, Float(2, 48000), Pcm(1, 22050, 16)).bytes,
              Convert(sound, Float(2, 48000), Pcm(1, 22050, 16)).bytes);
}

// Tags, extensible sub-formats and valid bits, and every reason a sound cannot be converted.
TEST(WaveConversionTest, FormatRecordsSayWhatCanBeConverted)
{
    const Bytes pcm = RecordBytes(1, 2, 44100, 4, 16);
    EXPECT_EQ(FormatProblem::NONE, ReadSoundFormat(pcm.data(), pcm.size()).problem);
    const Bytes ext = Extensible(1, 2, 32, 24);
    const SoundFormatReading reading = ReadSoundFormat(ext.data(), ext.size());
    EXPECT_EQ(FormatProblem::NONE, reading.problem);
    EXPECT_EQ(24u, reading.format.validBits);
    EXPECT_EQ(3u, reading.format.channelMask);
    EXPECT_EQ("48 kHz stereo 24-bit", DescribeSoundFormat(reading.format));
    const Bytes extFloat = Extensible(3, 1, 32, 32);
    EXPECT_EQ(SampleKind::IEEE_FLOAT, ReadSoundFormat(extFloat.data(), extFloat.size()).format.kind);

    Bytes cutShort = Extensible(1, 2, 16, 16);
    cutShort.resize(18);
    struct Case {
        Bytes record;
        FormatProblem problem;
    };
    const Case cases[] = {
        {RecordBytes(0x11, 1, 22050, 512, 4), FormatProblem::COMPRESSED},
        {Extensible(0x55, 2, 16, 16), FormatProblem::COMPRESSED},
        {cutShort, FormatProblem::RECORD_SHORT},
        {RecordBytes(1, 9, 22050, 18, 16), FormatProblem::CHANNELS},
        {RecordBytes(1, 0, 22050, 0, 16), FormatProblem::CHANNELS},
        {RecordBytes(1, 1, 0, 2, 16), FormatProblem::RATE},
        {RecordBytes(1, 1, 384001, 2, 16), FormatProblem::RATE},
        {RecordBytes(1, 1, 22050, 2, 12), FormatProblem::BITS},
        {RecordBytes(3, 1, 22050, 2, 16), FormatProblem::BITS},
        {RecordBytes(1, 2, 22050, 2, 16), FormatProblem::BLOCK_ALIGN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.problem, ReadSoundFormat(c.record.data(), c.record.size()).problem)
            << DescribeFormatProblem(ReadSoundFormat(c.record.data(), c.record.size()));
}
