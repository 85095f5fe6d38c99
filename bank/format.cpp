// Header check, package header and name matching of the .rwv format.
#include "bank/format.h"

#include <cstring>
#include <iterator>

namespace {

const uint32_t NOT_DECODED = 0xFFFFFFFFu;
const unsigned char FIRST_CP1252_SPECIAL = 0x80;
const unsigned char LAST_CP1252_SPECIAL = 0x9F;
// Code page 1252's characters at 0x80 to 0x9F; its five unused bytes stand for themselves,
// as Windows reads them. Every other byte is its own code point.
const uint16_t CP1252_SPECIALS[] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D,
    0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0x009D, 0x017E, 0x0178};

struct Utf8Lead {
    unsigned char mask;
    unsigned char value;
    size_t length;
    uint32_t smallest;  // shorter forms of a code point are not valid UTF-8
};
const Utf8Lead UTF8_LEADS[] = {{0x80, 0x00, 1, 0}, {0xE0, 0xC0, 2, 0x80}, {0xF0, 0xE0, 3, 0x800},
                               {0xF8, 0xF0, 4, 0x10000}};
const unsigned char CONTINUATION_MASK = 0xC0;
const unsigned char CONTINUATION_VALUE = 0x80;
const uint32_t LAST_CODE_POINT = 0x10FFFF;
const uint32_t FIRST_SURROGATE = 0xD800;
const uint32_t LAST_SURROGATE = 0xDFFF;

// The code point that starts at text, with its byte count in length; NOT_DECODED when the
// bytes there are no valid UTF-8.
uint32_t DecodeUtf8(const unsigned char* text, size_t& length)
{
    for (const Utf8Lead& lead : UTF8_LEADS) {
        if ((text[0] & lead.mask) != lead.value)
            continue;
        uint32_t point = text[0] & static_cast<unsigned char>(~lead.mask);
        for (size_t i = 1; i < lead.length; ++i) {
            if ((text[i] & CONTINUATION_MASK) != CONTINUATION_VALUE)
                return NOT_DECODED;
            point = (point << 6) | (text[i] & static_cast<unsigned char>(~CONTINUATION_MASK));
        }
        length = lead.length;
        const bool surrogate = point >= FIRST_SURROGATE && point <= LAST_SURROGATE;
        return point < lead.smallest || point > LAST_CODE_POINT || surrogate ? NOT_DECODED : point;
    }
    return NOT_DECODED;
}

bool IsUtf8(const char* name)
{
    const unsigned char* text = reinterpret_cast<const unsigned char*>(name);
    size_t length = 0;
    for (size_t at = 0; text[at] != '\0'; at += length) {
        if (DecodeUtf8(text + at, length) == NOT_DECODED)
            return false;
    }
    return true;
}

uint32_t FromCp1252(unsigned char c)
{
    if (c >= FIRST_CP1252_SPECIAL && c <= LAST_CP1252_SPECIAL)
        return CP1252_SPECIALS[c - FIRST_CP1252_SPECIAL];
    return c;
}

// The code points a NUL-terminated name spells, under the UTF-8-else-1252 reading.
std::u32string CodePointsOf(const char* name)
{
    std::u32string points;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(name);
    const bool utf8 = IsUtf8(name);
    size_t length = 1;
    for (size_t at = 0; text[at] != '\0'; at += length) {
        length = 1;
        points += static_cast<char32_t>(utf8 ? DecodeUtf8(text + at, length) : FromCp1252(text[at]));
    }
    return points;
}

char32_t FoldAsciiPoint(char32_t point)
{
    return point < 0x80 ? static_cast<char32_t>(FoldAsciiLetter(static_cast<char>(point))) : point;
}

void AppendUtf8(std::string& out, uint32_t point)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
        return;
    }
    const Utf8Lead* lead = &UTF8_LEADS[1];
    while (lead + 1 < std::end(UTF8_LEADS) && point >= (lead + 1)->smallest)
        ++lead;
    const size_t continuations = lead->length - 1;
    out += static_cast<char>(lead->value | (point >> (6 * continuations)));
    for (size_t i = continuations; i-- > 0;)
        out += static_cast<char>(CONTINUATION_VALUE | ((point >> (6 * i)) & 0x3F));
}

bool IsHighByte(char c)
{
    return static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

bool IsGoodBankHeader(const RwvHeader& header)
{
    return header.magic == RWV_MAGIC && header.fixed1 == RWV_FIXED1 &&
           header.fixed2 == RWV_FIXED2 && header.entryCount > 0;
}

RwvHeader MakePackageHeader(int32_t entryCount)
{
    RwvHeader header;
    header.magic = RWV_MAGIC;
    header.entryCount = entryCount;
    header.fixed1 = RWV_FIXED1;
    header.fixed2 = RWV_FIXED2;
    return header;
}

char FoldAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NameMatches(const char (&field)[RWV_NAME_SIZE], const char* name)
{
    // Byte for byte first: equal bytes spell equal characters, and most names are ASCII. Two
    // ASCII bytes that differ after an ASCII start are two different characters at the same
    // place under any reading, which settles the search of a directory without decoding.
    bool highSeen = false;
    for (size_t i = 0; i < RWV_NAME_SIZE; ++i) {
        const bool high = IsHighByte(field[i]) || IsHighByte(name[i]);
        if (FoldAsciiLetter(field[i]) != FoldAsciiLetter(name[i])) {
            if (!highSeen && !high)
                return false;
            break;
        }
        if (name[i] == '\0')
            return true;
        highSeen = highSeen || high;
    }
    // A name with no end within 52 bytes is too long for any field.
    if (std::memchr(field, '\0', RWV_NAME_SIZE) == nullptr || strnlen(name, RWV_NAME_SIZE) == RWV_NAME_SIZE)
        return false;
    const std::u32string a = CodePointsOf(field);
    const std::u32string b = CodePointsOf(name);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAsciiPoint(a[i]) != FoldAsciiPoint(b[i]))
            return false;
    }
    return true;
}

std::string NameAsUtf8(const char* name)
{
    if (IsUtf8(name))
        return name;
    std::string utf8;
    for (const char32_t point : CodePointsOf(name))
        AppendUtf8(utf8, point);
    return utf8;
}

BoundedName NameOf(const RwvEntry& entry)
{
    BoundedName bounded;
    std::memcpy(bounded.text, entry.name, RWV_NAME_SIZE);
    bounded.text[RWV_NAME_SIZE] = '\0';
    return bounded;
}
