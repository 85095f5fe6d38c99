// RIFF WAVE files as the bank sees them: little-endian fields, the head of a wave file
// parsed from its bytes, the head extract writes, and a format record told in words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bank/format.h"

// Little-endian fields of wave heads and format records, byte by byte.
uint16_t ReadLe16(const uint8_t* at);
uint32_t ReadLe32(const uint8_t* at);
void PutLe32(uint8_t* at, uint32_t value);

// The bytes of a wave file that tell whether it is one: "RIFF" size "WAVE" "fmt " length,
// then the first 16 bytes of the format record.
const size_t WAVE_HEAD_SIZE = 36;

// What the head says: isWave is false when a tag is wrong, the format record is shorter than
// the 16 bytes a package carries, or the length field of the chunk after it lies past the
// file's end. The chunk after the format record is the sound, whatever its id.
struct WaveHead {
    bool isWave;
    uint8_t format[RWV_FORMAT_SIZE];
    int64_t dataLengthAt;  // file position of the sound chunk's 4-byte length field
};
WaveHead ParseWaveHead(const uint8_t (&head)[WAVE_HEAD_SIZE], int64_t fileSize);
// true when a sound chunk of declared bytes, whose length field lies at dataLengthAt, ends
// inside the file.
bool SoundFitsFile(int64_t dataLengthAt, int32_t declared, int64_t fileSize);

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
// "PCM 16-bit mono 22.05 kHz"
std::string DescribeFormat(const WaveFormat& format);
// "22050 Hz 1 channel 16 bit", with the tag first when it is not PCM.
std::string DescribeFormatFigures(const WaveFormat& format);
// Seconds the sound of bytes plays, or a negative value when the record gives no rate.
double PlayingSeconds(const WaveFormat& format, int64_t bytes);
