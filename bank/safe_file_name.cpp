// The file-name check of extracted entries.
#include "bank/safe_file_name.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char FORBIDDEN_CHARACTERS[] = "<>:\"|?*";
const unsigned char FIRST_PRINTABLE = 0x20;
const unsigned char DELETE_CHARACTER = 0x7F;
const char* const DEVICE_NAMES[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
const char* const NUMBERED_DEVICES[] = {"com", "lpt"};
const size_t DEVICE_PREFIX_LENGTH = 3;
// What Windows takes as a port number after "com" or "lpt": a digit 1 to 9, or a
// superscript one, two or three, in code page 1252 or in UTF-8.
const char* const PORT_NUMBERS[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9",
                                    "\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
const char ESCAPED_BYTE_FORMAT[] = "\\x%02X";
const size_t ESCAPED_BYTE_SIZE = 5;

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsPortNumber(const char* text)
{
    for (const char* port : PORT_NUMBERS) {
        if (std::strcmp(text, port) == 0)
            return true;
    }
    return false;
}

// Windows opens a device for its name with any extension: "con.wav" is the console.
bool IsDeviceName(const char* name)
{
    char stem[RWV_NAME_SIZE] = "";
    size_t length = 0;
    while (name[length] != '\0' && name[length] != '.' && length + 1 < sizeof stem) {
        stem[length] = FoldAsciiLetter(name[length]);
        ++length;
    }
    // Windows also drops spaces before the extension: "nul .wav" is the device too.
    while (length > 0 && stem[length - 1] == ' ')
        stem[--length] = '\0';
    for (const char* device : DEVICE_NAMES) {
        if (std::strcmp(stem, device) == 0)
            return true;
    }
    if (length <= DEVICE_PREFIX_LENGTH || !IsPortNumber(stem + DEVICE_PREFIX_LENGTH))
        return false;
    for (const char* device : NUMBERED_DEVICES) {
        if (std::strncmp(stem, device, DEVICE_PREFIX_LENGTH) == 0)
            return true;
    }
    return false;
}

bool IsShownEscaped(unsigned char byte)
{
    return byte < FIRST_PRINTABLE || byte == DELETE_CHARACTER;
}

NameProblem CharacterProblem(const char* name)
{
    if (IsAsciiLetter(name[0]) && name[1] == ':')
        return NameProblem::DRIVE_LETTER;
    for (const char* c = name; *c != '\0'; ++c) {
        if (IsSeparator(*c))
            return NameProblem::PATH_SEPARATOR;
        if (static_cast<unsigned char>(*c) < FIRST_PRINTABLE)
            return NameProblem::CONTROL_CHARACTER;
        if (std::strchr(FORBIDDEN_CHARACTERS, *c) != nullptr)
            return NameProblem::FORBIDDEN_CHARACTER;
    }
    return NameProblem::NONE;
}

}  // namespace

std::string PrintableText(const std::string& text)
{
    std::string shown;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!IsShownEscaped(u)) {
            shown += c;
            continue;
        }
        char escaped[ESCAPED_BYTE_SIZE];
        std::snprintf(escaped, sizeof escaped, ESCAPED_BYTE_FORMAT, static_cast<unsigned>(u));
        shown += escaped;
    }
    return shown;
}

std::string PrintableNameOf(const RwvEntry& entry)
{
    return PrintableText(NameAsUtf8(NameOf(entry).text));
}

std::string FileNameOf(const char (&field)[RWV_NAME_SIZE])
{
    return GetACP() == CP_UTF8 ? NameAsUtf8(field) : std::string(field);
}

NameProblem CheckFileName(const char (&field)[RWV_NAME_SIZE])
{
    if (std::memchr(field, '\0', RWV_NAME_SIZE) == nullptr)
        return NameProblem::NO_NUL;
    const size_t length = std::strlen(field);
    if (length == 0)
        return NameProblem::EMPTY;
    const NameProblem character = CharacterProblem(field);
    if (character != NameProblem::NONE)
        return character;
    if (std::strcmp(field, ".") == 0 || std::strcmp(field, "..") == 0)
        return NameProblem::DOT_FOLDER;
    // Windows drops a trailing dot or space, so the file would get another entry's name.
    if (field[length - 1] == '.' || field[length - 1] == ' ')
        return NameProblem::TRAILING_DOT_OR_SPACE;
    if (IsDeviceName(field))
        return NameProblem::DEVICE_NAME;
    return NameProblem::NONE;
}

const char* DescribeNameProblem(NameProblem problem)
{
    switch (problem) {
    case NameProblem::NONE:
        return "is a plain file name";
    case NameProblem::NO_NUL:
        return "has no end within its 52 bytes";
    case NameProblem::EMPTY:
        return "is empty";
    case NameProblem::PATH_SEPARATOR:
        return "holds a path separator";
    case NameProblem::DRIVE_LETTER:
        return "starts with a drive letter";
    case NameProblem::DOT_FOLDER:
        return "names a folder (\".\" or \"..\")";
    case NameProblem::FORBIDDEN_CHARACTER:
        return "holds a character Windows does not allow in file names";
    case NameProblem::CONTROL_CHARACTER:
        return "holds a control character";
    case NameProblem::TRAILING_DOT_OR_SPACE:
        return "ends in a dot or a space, which Windows drops";
    case NameProblem::DEVICE_NAME:
        return "is a reserved device name";
    }
    return "cannot be used";
}
