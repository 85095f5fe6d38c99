// The .rwv layout shared by banks and packages: header, directory entry, name matching.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Windows runs little-endian only, so the packed records below are the bytes on disk.
#pragma pack(push, 1)
struct RwvHeader {
    uint32_t magic;
    int32_t entryCount;
    uint32_t fixed1;
    uint32_t fixed2;
};

struct RwvEntry {
    char name[52];
    int32_t offset;  // bank: absolute file position; package: counted from the end of the header
    int32_t size;
    uint8_t opaque1[4];
    uint8_t format[16];  // first 16 bytes of the wave's "fmt " chunk body
    uint8_t opaque2[4];
};
#pragma pack(pop)

const uint32_t RWV_MAGIC = 0xCFFCCFFCu;
const uint32_t RWV_FIXED1 = 0x00004400u;
const uint32_t RWV_FIXED2 = 0x0EE00EE0u;
const size_t RWV_HEADER_SIZE = 16;
const size_t RWV_ENTRY_SIZE = 84;
const size_t RWV_NAME_SIZE = 52;
const size_t RWV_FORMAT_SIZE = 16;
// Offsets and sizes are signed 32-bit: no byte of a bank or package lies at or past this.
const int64_t RWV_FORMAT_LIMIT = 0x7FFFFFFF;
// APPEND takes the first 4 bytes of format: format tag and number of channels.
const size_t RWV_FORMAT_TAG_AND_CHANNELS = 4;

static_assert(sizeof(RwvHeader) == RWV_HEADER_SIZE, "RwvHeader is 16 bytes on disk");
static_assert(offsetof(RwvHeader, entryCount) == 4, "entryCount at 4");
static_assert(offsetof(RwvHeader, fixed1) == 8, "fixed1 at 8");
static_assert(offsetof(RwvHeader, fixed2) == 12, "fixed2 at 12");
static_assert(sizeof(RwvEntry) == RWV_ENTRY_SIZE, "RwvEntry is 84 bytes on disk");
static_assert(offsetof(RwvEntry, offset) == 52, "offset at 52");
static_assert(offsetof(RwvEntry, size) == 56, "size at 56");
static_assert(offsetof(RwvEntry, opaque1) == 60, "opaque1 at 60");
static_assert(offsetof(RwvEntry, format) == 64, "format at 64");
static_assert(offsetof(RwvEntry, opaque2) == 80, "opaque2 at 80");

// A bank header is good when its three constants are right and it claims at least one entry.
bool IsGoodBankHeader(const RwvHeader& header);
// The header every package is written with.
RwvHeader MakePackageHeader(int32_t entryCount);

// c with A-Z made lower case and every other byte left alone: letters beyond ASCII must
// not depend on a locale.
char FoldAsciiLetter(char c);
// Whole-name comparison of the characters the names spell, with only A-Z/a-z folded,
// reading no further than the 52-byte field; a name of 52 bytes or more never matches (the
// field needs room for its NUL). Each name is read as UTF-8 when it is valid UTF-8, else
// as code page 1252, the text of banks made before: "\xC4.wav" matches "\xC3\x84.wav".
bool NameMatches(const char (&field)[RWV_NAME_SIZE], const char* name);
// The NUL-terminated name as UTF-8 under the same reading.
std::string NameAsUtf8(const char* name);
// The field's text with a NUL put after at most 52 bytes, for logs and lookups.
struct BoundedName {
    char text[RWV_NAME_SIZE + 1];
};
BoundedName NameOf(const RwvEntry& entry);

// Byte length of a directory of count entries, computed without overflow.
inline int64_t DirectoryBytes(int64_t count)
{
    return count * static_cast<int64_t>(RWV_ENTRY_SIZE);
}
