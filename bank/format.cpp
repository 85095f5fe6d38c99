// Header check, package header and name matching of the .rwv format.
#include "bank/format.h"

#include <cstring>

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
    for (size_t i = 0; i < RWV_NAME_SIZE; ++i) {
        if (FoldAsciiLetter(field[i]) != FoldAsciiLetter(name[i]))
            return false;
        if (name[i] == '\0')
            return true;
    }
    // 52 equal bytes and no NUL: the name is too long for any field.
    return false;
}

BoundedName NameOf(const RwvEntry& entry)
{
    BoundedName bounded;
    std::memcpy(bounded.text, entry.name, RWV_NAME_SIZE);
    bounded.text[RWV_NAME_SIZE] = '\0';
    return bounded;
}
