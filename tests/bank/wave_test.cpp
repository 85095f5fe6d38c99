// The wave unit on byte arrays: which heads are waves, where their sound lies, the head
// extract writes, and formats in words.
#include <gtest/gtest.h>

#include <cstring>

#include "bank/wave.h"
#include "tools/bank_files.h"

namespace {

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

Bytes Chunk(const char* id, const Bytes& body, uint32_t length)
{
    Bytes chunk(id, id + 4);
    chunk.resize(8);
    PutLe32(chunk.data() + 4, length);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

Bytes Chunk(const char* id, const Bytes& body)
{
    Bytes chunk = Chunk(id, body, static_cast<uint32_t>(body.size()));
    if (body.size() % 2 == 1)
        chunk.push_back(0);
    return chunk;
}

Bytes Riff(const std::vector<Bytes>& chunks)
{
    Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& chunk : chunks)
        riff.insert(riff.end(), chunk.begin(), chunk.end());
    PutLe32(riff.data() + 4, static_cast<uint32_t>(riff.size() - 8));
    return riff;
}

WaveLayout Walk(const Bytes& file)
{
    const WaveByteReader read = [&file](int64_t at, uint8_t* bytes, size_t count) {
        if (at < 0 || static_cast<size_t>(at) + count > file.size())
            return false;
        std::memcpy(bytes, file.data() + at, count);
        return true;
    };
    return FindWaveChunks(read, static_cast<int64_t>(file.size()));
}

Bytes SoundOf(const Bytes& file, const WaveLayout& layout)
{
    return Bytes(file.begin() + layout.soundAt, file.begin() + layout.soundAt + layout.soundSize);
}

}  // namespace

// Today's layout ("fmt " at 12, "data" right after it) gives today's bytes; a format record
// shorter than the 16 bytes a package carries, a sound past the file's end, a missing "data"
// or one before "fmt " make no wave.
TEST(WaveTest, TheSoundIsTheDataChunkAfterTheFormatRecordWhereverTheyLie)
{
    const Bytes sound = ToneData(20, 1);
    const Bytes fmt = WaveFormatBytes();
    for (uint32_t length : {16u, 18u}) {
        const Bytes wave = WaveBytes(length, sound);
        const WaveLayout layout = Walk(wave);
        ASSERT_TRUE(layout.isWave) << length;
        EXPECT_EQ(28 + length, layout.soundAt);
        EXPECT_EQ(sound, SoundOf(wave, layout));
        EXPECT_EQ(0, std::memcmp(fmt.data(), layout.format, RWV_FORMAT_SIZE));
    }
    const Bytes list = {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 'L', 'a', 'v'};
    const Bytes odd = {'a', 'b', 'c'};
    struct Case {
        const char* what;
        Bytes file;
    };
    const Case waves[] = {
        {"LIST before data", Riff({Chunk("fmt ", fmt), Chunk("LIST", list), Chunk("data", sound)})},
        {"JUNK before fmt", Riff({Chunk("JUNK", Bytes(28, 0)), Chunk("fmt ", fmt), Chunk("data", sound)})},
        {"odd chunk and its pad byte", Riff({Chunk("fmt ", fmt), Chunk("bext", odd), Chunk("data", sound)})},
        {"odd chunk without its pad byte",
         Riff({Chunk("fmt ", fmt), Chunk("bext", odd, 3), Chunk("data", sound)})},
        {"folded tags", Riff({Chunk("FMT ", fmt), Chunk("cue ", Bytes(4, 0)), Chunk("DATA", sound)})},
    };
    for (const Case& c : waves) {
        const WaveLayout layout = Walk(c.file);
        ASSERT_TRUE(layout.isWave) << c.what;
        EXPECT_EQ(sound, SoundOf(c.file, layout)) << c.what;
    }
    const Case noWaves[] = {
        {"short format record", WaveBytes(14, sound)},
        {"data before fmt", Riff({Chunk("data", sound), Chunk("fmt ", fmt)})},
        {"no data", Riff({Chunk("fmt ", fmt), Chunk("LIST", list)})},
        {"data past the end", Riff({Chunk("fmt ", fmt), Chunk("data", sound, 21)})},
        {"no RIFF", [&] { Bytes b = WaveBytes(16, sound); b[8] = 'X'; return b; }()},
    };
    for (const Case& c : noWaves)
        EXPECT_FALSE(Walk(c.file).isWave) << c.what;
}

// A writer streaming to a pipe leaves "data" at 0 or 0xFFFFFFFF: the sound is the rest of the
// file in whole frames (2 bytes here). An empty "data" that other chunks follow stays empty.
TEST(WaveTest, AStreamedDataChunkHoldsTheRestOfTheFileInWholeFrames)
{
    const Bytes fmt = WaveFormatBytes();
    Bytes rest = ToneData(20, 2);
    rest.push_back(0x55);
    for (uint32_t length : {0u, 0xFFFFFFFFu}) {
        const Bytes wave = Riff({Chunk("fmt ", fmt), Chunk("data", rest, length)});
        const WaveLayout layout = Walk(wave);
        ASSERT_TRUE(layout.isWave) << length;
        EXPECT_EQ(Bytes(rest.begin(), rest.end() - 1), SoundOf(wave, layout)) << length;
    }
    const Bytes empty = Riff({Chunk("fmt ", fmt), Chunk("data", Bytes()), Chunk("LIST", Bytes(8, 'x'))});
    const WaveLayout layout = Walk(empty);
    ASSERT_TRUE(layout.isWave);
    EXPECT_EQ(0, layout.soundSize);
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
    Bytes file(written, written + sizeof written);
    file.resize(file.size() + 1001 + 1, 7);
    const WaveLayout layout = Walk(file);
    ASSERT_TRUE(layout.isWave);
    EXPECT_EQ(0, std::memcmp(record, layout.format, sizeof record));
    EXPECT_EQ(44, layout.soundAt);
    EXPECT_EQ(1001, layout.soundSize);
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
