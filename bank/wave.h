// RIFF WAVE files as the bank sees them: little-endian fields, where a wave file's format
// record and sound lie, the head extract writes, and a format record told in words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "bank/format.h"

// Little-endian fields of wave heads and format records, byte by byte.
uint16_t ReadLe16(const uint8_t* at);
uint32_t ReadLe32(const uint8_t* at);
void PutLe32(uint8_t* at, uint32_t value);

// Reads count bytes at a file position; false unless all of them were there.
using WaveByteReader = std::function<bool(int64_t at, uint8_t* bytes, size_t count)>;

// The longest format record conversion reads: WAVE_FORMAT_EXTENSIBLE's 40 bytes.
const size_t WAVE_FORMAT_RECORD_MAX = 40;

// Where a wave file's format record and sound lie. isWave is false when the RIFF or WAVE tag
// is wrong, the format record is shorter than the 16 bytes a package carries, no "data"
// chunk follows the "fmt " chunk, or the sound runs past the file's end.
struct WaveLayout {
    bool isWave;
    uint8_t format[RWV_FORMAT_SIZE];  // the first 16 bytes of the format record
    uint8_t record[WAVE_FORMAT_RECORD_MAX];
    size_t recordLength;  // bytes of record held: the chunk's length, at most 40
    int64_t soundAt;
    int64_t soundSize;
};
// Walks the RIFF chunks from byte 12 for the first "fmt " and the "data" after it, skipping
// every other chunk.
WaveLayout FindWaveChunks(const WaveByteReader& read, int64_t fileSize);

// The head extract writes before an entry's bytes: "RIFF" size "WAVE", a 16-byte "fmt "
// chunk of the entry's format record, "data" size. An odd sound is followed by one pad byte.
const size_t WRITTEN_WAVE_HEAD_SIZE = 44;
void MakeWaveHead(const uint8_t (&format)[RWV_FORMAT_SIZE], uint32_t soundSize,
                  uint8_t (&head)[WRITTEN_WAVE_HEAD_SIZE]);
uint32_t WavePadOf(uint32_t soundSize);

// The fields of a format record that decide how a sound plays.
struct WaveFormat {
    unsigned formatTag;
    unsigned channels;
    unsigned long samplesPerSecond;
    unsigned long bytesPerSecond;
    unsigned bitsPerSample;
};
WaveFormat DecodeWaveFormat(const uint8_t (&format)[RWV_FORMAT_SIZE]);
// Same tag, channels, rate and bits: the game plays one sound as it played the other.
bool PlaysAlike(const WaveFormat& a, const WaveFormat& b);
// "mono", "stereo", "6 channels"
std::string ChannelWords(unsigned channels);
// "PCM 16-bit mono 22.05 kHz"
std::string DescribeFormat(const WaveFormat& format);
// "22050 Hz 1 channel 16 bit", with the tag first when it is not PCM.
std::string DescribeFormatFigures(const WaveFormat& format);
// Seconds the sound of bytes plays, or a negative value when the record gives no rate.
double PlayingSeconds(const WaveFormat& format, int64_t bytes);
