// Whether an entry's name may become a file name inside a chosen folder: names come from
// whoever made the bank, so one must never reach another folder, a device or a stream.
#pragma once

#include <string>

#include "bank/format.h"

enum class NameProblem {
    NONE,
    NO_NUL,
    EMPTY,
    PATH_SEPARATOR,
    DRIVE_LETTER,
    DOT_FOLDER,
    FORBIDDEN_CHARACTER,
    CONTROL_CHARACTER,
    TRAILING_DOT_OR_SPACE,
    DEVICE_NAME,
};

// text with the bytes below 0x20 and 0x7F shown as \xNN, so that a message stays one line.
std::string PrintableText(const std::string& text);
// The name as far as its field holds it, as UTF-8 (a name that is no valid UTF-8 read as
// code page 1252) and printable, for messages and listings.
std::string PrintableNameOf(const RwvEntry& entry);
// The name a file for a checked field gets: as UTF-8 where the process's code page is
// UTF-8, else its bytes as they stand.
std::string FileNameOf(const char (&field)[RWV_NAME_SIZE]);

NameProblem CheckFileName(const char (&field)[RWV_NAME_SIZE]);
// The reason as a phrase that follows "its name ...".
const char* DescribeNameProblem(NameProblem problem);
