// The wave unit on byte arrays: which heads are waves, where their sound lies, the head
// extract writes, and formats in words.
#include <gtest/gtest.h>

#include <cstring>

#include "bank/wave.h"
#include "tools/bank_files.h"

namespace {

struct Head {
    uint8_t bytes[WAVE_HEAD_SIZE];
};

Head HeadOf(const Bytes& wave)
{
    Head head = {};
    std::memcpy(head.bytes, wave.data(), WAVE_HEAD_SIZE);
    return head;
}

Bytes FormatBytes(unsigned channels, unsigned long rate, unsigned bits)
{
    Bytes format = WaveFormatBytes();
    format[2] = static_cast<uint8_t>(channels);
    PutLe32(format.data() + 4, static_cast<uint32_t>(rate));
    PutLe32(format.data() + 8, static_cast<uint32_t>(rate * channels * bits / 8));
    format[14] = static_cast<uint8_t>(bits);
    return format;
}

WaveFormat Decoded(const Bytes& bytes)
{
    uint8_t format[RWV_FORMAT_SIZE];
    std::memcpy(format, bytes.data(), sizeof format);
    return DecodeWaveFormat(format);
}

}  // namespace

// A record of 14 or 15 bytes would lend the package two bytes of the next chunk's id as its
// bits per sample: such files are no waves for a package.
TEST(WaveTest, HeadsWithAShortFormatRecordOrNoRoomForTheSoundAreNoWaves)
{
    const Bytes sound = ToneData(20, 1);
    for (uint32_t length : {14u, 15u}) {
        const Bytes wave = WaveBytes(length, sound);
        EXPECT_FALSE(ParseWaveHead(HeadOf(wave).bytes, static_cast<int64_t>(wave.size())).isWave) << length;
    }
    const Bytes wave = WaveBytes(18, sound);
    const WaveHead head = ParseWaveHead(HeadOf(wave).bytes, static_cast<int64_t>(wave.size()));
    EXPECT_TRUE(head.isWave);
    EXPECT_EQ(42, head.dataLengthAt);
    EXPECT_EQ(0, std::memcmp(WaveFormatBytes().data(), head.format, RWV_FORMAT_SIZE));
    EXPECT_TRUE(SoundFitsFile(head.dataLengthAt, 20, static_cast<int64_t>(wave.size())));
    EXPECT_FALSE(SoundFitsFile(head.dataLengthAt, 21, static_cast<int64_t>(wave.size())));
    EXPECT_FALSE(SoundFitsFile(head.dataLengthAt, -1, static_cast<int64_t>(wave.size())));
    EXPECT_FALSE(ParseWaveHead(HeadOf(wave).bytes, 45).isWave) << "the sound's length field must be in the file";

    Head folded = HeadOf(wave);
    std::memcpy(folded.bytes, "riff", 4);
    std::memcpy(folded.bytes + 12, "FMT ", 4);
    EXPECT_TRUE(ParseWaveHead(folded.bytes, static_cast<int64_t>(wave.size())).isWave);
    std::memcpy(folded.bytes + 8, "WAVF", 4);
    EXPECT_FALSE(ParseWaveHead(folded.bytes, static_cast<int64_t>(wave.size())).isWave);
}

// What extract writes, pack must read back as the same format and the same sound.
TEST(WaveTest, TheHeadExtractWritesIsReadBackAsTheSameSound)
{
    const Bytes format = FormatBytes(2, 44100, 16);
    uint8_t record[RWV_FORMAT_SIZE];
    std::memcpy(record, format.data(), sizeof record);
    uint8_t written[WRITTEN_WAVE_HEAD_SIZE];
    MakeWaveHead(record, 1001, written);
    EXPECT_EQ(36u + 1001 + 1, ReadLe32(written + 4)) << "an odd sound is padded";
    EXPECT_EQ(1u, WavePadOf(1001));
    Head head = {};
    std::memcpy(head.bytes, written, WAVE_HEAD_SIZE);
    const int64_t fileSize = WRITTEN_WAVE_HEAD_SIZE + 1001 + 1;
    const WaveHead parsed = ParseWaveHead(head.bytes, fileSize);
    ASSERT_TRUE(parsed.isWave);
    EXPECT_EQ(0, std::memcmp(record, parsed.format, sizeof record));
    EXPECT_EQ(1001u, ReadLe32(written + parsed.dataLengthAt));
    EXPECT_TRUE(SoundFitsFile(parsed.dataLengthAt, 1001, fileSize));
}

TEST(WaveTest, FormatsAreToldInWordsAndComparedByHowTheyPlay)
{
    const WaveFormat bank = Decoded(FormatBytes(1, 22050, 16));
    const WaveFormat horn = Decoded(FormatBytes(2, 44100, 16));
    EXPECT_EQ("PCM 16-bit mono 22.05 kHz", DescribeFormat(bank));
    EXPECT_EQ("PCM 16-bit stereo 44.1 kHz", DescribeFormat(horn));
    EXPECT_EQ("22050 Hz 1 channel 16 bit", DescribeFormatFigures(bank));
    EXPECT_EQ("44100 Hz 2 channels 16 bit", DescribeFormatFigures(horn));
    EXPECT_FALSE(PlaysAlike(bank, horn));
    WaveFormat sameButRounded = bank;
    sameButRounded.bytesPerSecond += 1;
    EXPECT_TRUE(PlaysAlike(bank, sameButRounded)) << "only tag, channels, rate and bits decide";
    EXPECT_DOUBLE_EQ(1.0, PlayingSeconds(bank, 44100));
    EXPECT_LT(PlayingSeconds(Decoded(Bytes(16, 0)), 100), 0.0);
}
