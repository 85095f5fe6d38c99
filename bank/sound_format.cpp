// Format records read into sample layouts: plain PCM, IEEE float and WAVE_FORMAT_EXTENSIBLE.
#include "bank/sound_format.h"

#include <cstdio>
#include <cstring>

#include "bank/wave.h"

namespace {

const unsigned PCM_TAG = 1;
const unsigned FLOAT_TAG = 3;
const unsigned EXTENSIBLE_TAG = 0xFFFE;

const size_t TAG_AT = 0;
const size_t CHANNELS_AT = 2;
const size_t RATE_AT = 4;
const size_t BLOCK_ALIGN_AT = 12;
const size_t BITS_AT = 14;
// WAVE_FORMAT_EXTENSIBLE: valid bits, channel mask and the sub-format's GUID, whose first two
// bytes are the tag it stands for and whose other fourteen are fixed.
const size_t VALID_BITS_AT = 18;
const size_t CHANNEL_MASK_AT = 20;
const size_t SUB_FORMAT_AT = 24;
const size_t EXTENSIBLE_LENGTH = 40;
const size_t SUB_FORMAT_TAG_SIZE = 2;
const uint8_t SUB_FORMAT_TAIL[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                   0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

const unsigned MAX_CHANNELS = 8;
const uint32_t MAX_RATE = 384000;
const unsigned BITS_PER_BYTE = 8;
const double HERTZ_PER_KILOHERTZ = 1000.0;

struct TagName {
    unsigned tag;
    const char* name;
};
const TagName TAG_NAMES[] = {{PCM_TAG, "PCM"},      {2, "MS ADPCM"},      {FLOAT_TAG, "float"},
                             {6, "A-law"},          {7, "mu-law"},        {0x11, "IMA ADPCM"},
                             {0x31, "GSM 6.10"},    {0x50, "MPEG"},       {0x55, "MP3"},
                             {EXTENSIBLE_TAG, "extensible"}};

bool IntegerBitsAllowed(unsigned bits)
{
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool FloatBitsAllowed(unsigned bits)
{
    return bits == 32 || bits == 64;
}

// The tag an extensible record stands for, or EXTENSIBLE_TAG when its GUID is not one of
// the tag-derived ones.
unsigned SubFormatTag(const uint8_t* record)
{
    if (std::memcmp(record + SUB_FORMAT_AT + SUB_FORMAT_TAG_SIZE, SUB_FORMAT_TAIL, sizeof SUB_FORMAT_TAIL) != 0)
        return EXTENSIBLE_TAG;
    return ReadLe16(record + SUB_FORMAT_AT);
}

FormatProblem CheckLayout(const SoundFormat& format, unsigned blockAlign)
{
    if (format.channels == 0 || format.channels > MAX_CHANNELS)
        return FormatProblem::CHANNELS;
    if (format.rate == 0 || format.rate > MAX_RATE)
        return FormatProblem::RATE;
    const bool bitsAllowed = format.kind == SampleKind::IEEE_FLOAT ? FloatBitsAllowed(format.containerBits)
                                                              : IntegerBitsAllowed(format.containerBits);
    if (!bitsAllowed || format.validBits == 0 || format.validBits > format.containerBits ||
        (format.kind == SampleKind::IEEE_FLOAT && format.validBits != format.containerBits))
        return FormatProblem::BITS;
    if (blockAlign != format.channels * format.containerBits / BITS_PER_BYTE)
        return FormatProblem::BLOCK_ALIGN;
    return FormatProblem::NONE;
}

std::string Printed(const char* format, unsigned long value)
{
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

SoundFormatReading ReadSoundFormat(const uint8_t* record, size_t length)
{
    SoundFormatReading reading = {FormatProblem::NONE, ReadLe16(record + TAG_AT), {}};
    SoundFormat& format = reading.format;
    format.channels = ReadLe16(record + CHANNELS_AT);
    format.rate = ReadLe32(record + RATE_AT);
    format.containerBits = ReadLe16(record + BITS_AT);
    format.validBits = format.containerBits;
    if (reading.tag == EXTENSIBLE_TAG) {
        if (length < EXTENSIBLE_LENGTH) {
            reading.problem = FormatProblem::RECORD_SHORT;
            return reading;
        }
        reading.tag = SubFormatTag(record);
        const unsigned valid = ReadLe16(record + VALID_BITS_AT);
        format.validBits = valid == 0 ? format.containerBits : valid;
        format.channelMask = ReadLe32(record + CHANNEL_MASK_AT);
    }
    if (reading.tag != PCM_TAG && reading.tag != FLOAT_TAG) {
        reading.problem = FormatProblem::COMPRESSED;
        return reading;
    }
    format.kind = reading.tag == FLOAT_TAG ? SampleKind::IEEE_FLOAT : SampleKind::INTEGER;
    reading.problem = CheckLayout(format, ReadLe16(record + BLOCK_ALIGN_AT));
    return reading;
}

SoundFormatReading ReadTargetFormat(const uint8_t (&format)[RWV_FORMAT_SIZE])
{
    if (ReadLe16(format + TAG_AT) != PCM_TAG)
        return {FormatProblem::COMPRESSED, ReadLe16(format + TAG_AT), {}};
    SoundFormatReading reading = ReadSoundFormat(format, sizeof format);
    // The entry's own block align is the game's business; the sound is laid out by the rest.
    if (reading.problem == FormatProblem::BLOCK_ALIGN)
        reading.problem = FormatProblem::NONE;
    return reading;
}

std::string DescribeSoundFormat(const SoundFormat& format)
{
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g kHz ", static_cast<double>(format.rate) / HERTZ_PER_KILOHERTZ);
    return rate + ChannelWords(format.channels) + Printed(" %lu-bit", format.validBits) +
           (format.kind == SampleKind::IEEE_FLOAT ? " float" : "");
}

std::string DescribeFormatProblem(const SoundFormatReading& reading)
{
    const SoundFormat& format = reading.format;
    switch (reading.problem) {
    case FormatProblem::NONE:
        return "";
    case FormatProblem::COMPRESSED:
        return FormatTagName(reading.tag);
    case FormatProblem::RECORD_SHORT:
        return "an extensible format record cut short";
    case FormatProblem::CHANNELS:
        return Printed("%lu channels (1 to 8 can be converted)", format.channels);
    case FormatProblem::RATE:
        return Printed("a rate of %lu Hz (1 Hz to 384 kHz can be converted)", format.rate);
    case FormatProblem::BITS:
        return Printed("%lu bits per sample", format.containerBits) +
               Printed(" (%lu valid), which its format does not allow", format.validBits);
    case FormatProblem::BLOCK_ALIGN:
        return "a block align other than channels times bytes per sample";
    }
    return "";
}

std::string FormatTagName(unsigned tag)
{
    for (const TagName& known : TAG_NAMES) {
        if (known.tag == tag)
            return known.name;
    }
    return Printed("format 0x%04lX", tag);
}
