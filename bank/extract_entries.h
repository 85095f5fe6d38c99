// The file work of extract: bank entries written out as wave files into one folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bank/bank_reader.h"
#include "bank/work_observer.h"

// BANK_NOT_READ: the bank could not be opened or read as a bank, and read tells why;
// NO_MEMORY: the copy buffer could not be had.
enum class ExtractResult { ALL_EXTRACTED, PARTLY_EXTRACTED, BANK_NOT_READ, NO_MEMORY, FOLDER_NOT_MADE };

struct ExtractOutcome {
    ExtractResult result;
    ReadResult read;
    int32_t written;     // wave files written
    int32_t passedOver;  // entries or names reported to the observer and not written
    int32_t existing;    // of those, entries whose file was there already and kept
};

// Writes outFolder + name for every entry (or once for each entry that names find, matched
// as Create Package matches wave names): "RIFF" "WAVE", a "fmt " chunk of the entry's 16
// format bytes, a "data" chunk of its bytes. outFolder ends in a backslash and is made when
// missing (FOLDER_NOT_MADE also when it is a file). A name that is no safe file name, a
// range outside the file, a name that an earlier entry shadows and an existing file (unless
// overwrite) pass that entry over; so does a file this run wrote already, reached again
// through a name the file system folds alike or a short alias, even with overwrite.
ExtractOutcome ExtractEntries(const char* bankFile, const char* outFolder, const std::vector<std::string>& names,
                              bool overwrite, WorkObserver& observer);
