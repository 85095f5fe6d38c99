// Whether an entry's name may become a file name inside a chosen folder: names come from
// whoever made the bank, so one must never reach another folder, a device or a stream.
#pragma once

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

// The name as far as its field holds it, with bytes that are not printable shown as '?', for
// messages and listings.
BoundedName PrintableNameOf(const RwvEntry& entry);

NameProblem CheckFileName(const char (&field)[RWV_NAME_SIZE]);
// The reason as a phrase that follows "its name ...".
const char* DescribeNameProblem(NameProblem problem);
