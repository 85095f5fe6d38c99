// Whole-or-nothing file calls of the bank operations: every byte counted, every position checked.
#pragma once

#include <windows.h>

#include <cstdint>

// The one owner of an open file: closes it once, and tells whether the close succeeded,
// since a file whose close failed may not hold what was written to it. Wholly inline, so
// that every part of the program can hold its files in it.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE file) : file_(file) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : file_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            file_ = other.Release();
        }
        return *this;
    }

    HANDLE Get() const { return file_; }
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    // true when nothing was open or the file closed cleanly; closed either way.
    bool Close() { return file_ == INVALID_HANDLE_VALUE || CloseHandle(Release()) != FALSE; }

private:
    HANDLE Release()
    {
        const HANDLE file = file_;
        file_ = INVALID_HANDLE_VALUE;
        return file;
    }

    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Opens an existing file with no sharing (or the given sharing); not open on failure.
FileHandle OpenExistingFile(const char* path, DWORD access, DWORD shareMode = 0);
// Creates a file anew (an existing one is emptied) with no sharing.
FileHandle CreateNewFile(const char* path, DWORD access);
// Opens a file for reading and writing, creating it when missing, with no sharing.
FileHandle OpenOrCreateFile(const char* path);
// Closes file if open.
inline void CloseFile(FileHandle& file)
{
    file.Close();
}
// FlushFileBuffers: false when the bytes may not have reached the disk.
bool FlushFile(HANDLE file);
// Cuts or extends the file to size bytes.
bool SetFileSize(HANDLE file, int64_t size);
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

// The same calls on an owned file.
inline bool SeekTo(const FileHandle& file, int64_t position)
{
    return SeekTo(file.Get(), position);
}
inline bool ReadExactly(const FileHandle& file, void* bytes, DWORD length)
{
    return ReadExactly(file.Get(), bytes, length);
}
inline bool WriteExactly(const FileHandle& file, const void* bytes, DWORD length)
{
    return WriteExactly(file.Get(), bytes, length);
}
inline int64_t SizeOfFile(const FileHandle& file)
{
    return SizeOfFile(file.Get());
}
inline void WriteLogLine(const FileHandle& log, const char* line)
{
    WriteLogLine(log.Get(), line);
}
inline bool FlushFile(const FileHandle& file)
{
    return FlushFile(file.Get());
}
