// The sample layout of a wave's sound as conversion needs it, read from a format record,
// with the reason when a sound cannot be converted, and told in words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bank/format.h"

enum class SampleKind { INTEGER, IEEE_FLOAT };

struct SoundFormat {
    SampleKind kind;
    unsigned channels;
    uint32_t rate;
    unsigned containerBits;  // what each sample takes in the file
    unsigned validBits;      // what carries sound: fewer than containerBits only in extensible records
    uint32_t channelMask;    // 0 when the record gives none
};

// Why a sound cannot be converted. COMPRESSED names its format tag in tag.
enum class FormatProblem { NONE, COMPRESSED, RECORD_SHORT, CHANNELS, RATE, BITS, BLOCK_ALIGN };

struct SoundFormatReading {
    FormatProblem problem;
    unsigned tag;  // the record's tag, or an extensible record's sub-format
    SoundFormat format;
};

// A wave's format record of length bytes (the 16 a package carries, or more).
SoundFormatReading ReadSoundFormat(const uint8_t* record, size_t length);
// A bank entry's format as a conversion's target: PCM only; any other tag is COMPRESSED.
SoundFormatReading ReadTargetFormat(const uint8_t (&format)[RWV_FORMAT_SIZE]);

// "44.1 kHz stereo 32-bit float"
std::string DescribeSoundFormat(const SoundFormat& format);
// "12 channels", "a rate of 0 Hz": what makes a record's sound unconvertible, for NONE "".
std::string DescribeFormatProblem(const SoundFormatReading& reading);
// "IMA ADPCM", "format 0x0055"
std::string FormatTagName(unsigned tag);
