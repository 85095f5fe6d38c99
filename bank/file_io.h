// Whole-or-nothing file calls of the bank operations: every byte counted, every position checked.
#pragma once

#include <windows.h>

#include <cstdint>

// Opens an existing file with no sharing; INVALID_HANDLE_VALUE on failure.
HANDLE OpenExistingFile(const char* path, DWORD access);
// Creates a file anew (an existing one is emptied) with no sharing.
HANDLE CreateNewFile(const char* path, DWORD access);
// Closes file if open and marks it closed.
void CloseFile(HANDLE& file);
// Sets the position from the start of the file; false when it could not be set.
bool SeekTo(HANDLE file, int64_t position);
// false unless exactly length bytes were read (or written). A length of 0 always succeeds.
bool ReadExactly(HANDLE file, void* bytes, DWORD length);
bool WriteExactly(HANDLE file, const void* bytes, DWORD length);
// The file's size in bytes, or -1 when it cannot be had.
int64_t SizeOfFile(HANDLE file);
// Room for one line of "pack.log" or "Unpack.log": a file name and the figures after it.
const size_t LOG_LINE_SIZE = MAX_PATH + 64;
// Writes a log line's characters; a lost line is not an error of the operation.
void WriteLogLine(HANDLE log, const char* line);
