// Writers and readers of the files the tests, the demo and the benchmark work on: banks,
// packages, wave files, temporary folders.
#include "tools/bank_files.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bank/directory_search.h"

namespace {

const size_t WRITE_PIECE = 1 << 20;

HANDLE OpenForReading(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const void* bytes, size_t length)
{
    DWORD written = 0;
    if (length == 0)
        return true;
    return WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr) && written == length;
}

void PutLe32(Bytes& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A chunk tag is four characters without terminator. Growing first and copying a fixed
// four bytes keeps the optimiser from seeing a copy of unknown length into the new block.
const size_t TAG_SIZE = 4;

void PutTag(Bytes& out, const char (&tag)[TAG_SIZE + 1])
{
    const size_t at = out.size();
    out.resize(at + TAG_SIZE);
    std::memcpy(out.data() + at, tag, TAG_SIZE);
}

void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

std::string MakeTempFolder(const char* tag)
{
    static unsigned counter = 0;
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH)
        return std::string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = std::string(temp) + "vorlan-" + tag + "-" +
                                   std::to_string(GetCurrentProcessId()) + "-" +
                                   std::to_string(++counter);
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return folder + "\\";
    }
    return std::string();
}

void RemoveFolder(const std::string& folder)
{
    std::string base = folder;
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    if (base.empty())
        return;
    for (DirectorySearch search((base + "\\*").c_str()); search.Found(); search.Next()) {
        const std::string name = search.Match().cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = base + "\\" + name;
        if (search.Match().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveFolder(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(base.c_str());
}

Bytes ReadWholeFile(const std::string& path)
{
    return ReadFileRange(path, 0, SIZE_MAX);
}

Bytes ReadFileRange(const std::string& path, int64_t from, size_t length)
{
    Bytes bytes;
    const int64_t size = FileSizeOf(path);
    if (size < 0 || from >= size)
        return bytes;
    const size_t count = static_cast<size_t>(std::min<int64_t>(size - from, static_cast<int64_t>(std::min<size_t>(length, 0x7FFFFFFF))));
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LONG high = static_cast<LONG>(from >> 32);
    SetFilePointer(file, static_cast<LONG>(from & 0xFFFFFFFF), &high, FILE_BEGIN);
    bytes.resize(count);
    DWORD got = 0;
    if (count > 0 && !ReadFile(file, bytes.data(), static_cast<DWORD>(count), &got, nullptr))
        got = 0;
    bytes.resize(count > 0 ? got : 0);
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = WriteAll(file, bytes.data(), bytes.size());
    return CloseHandle(file) && ok;
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int64_t FileSizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

HeldFile::HeldFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

HeldFile::~HeldFile()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
}

RwvEntry MakeEntry(const std::string& name, int32_t offset, int32_t size)
{
    RwvEntry entry;
    std::memset(entry.name, 0xEE, sizeof entry.name);
    const size_t n = std::min(name.size(), sizeof entry.name);
    std::memcpy(entry.name, name.data(), n);
    if (n < sizeof entry.name)
        entry.name[n] = '\0';
    entry.offset = offset;
    entry.size = size;
    uint8_t seed = 0;
    for (char c : name)
        seed = static_cast<uint8_t>(seed * 31 + static_cast<uint8_t>(c));
    for (size_t i = 0; i < 4; ++i) {
        entry.opaque1[i] = static_cast<uint8_t>(seed + 0x10 + i);
        entry.opaque2[i] = static_cast<uint8_t>(seed + 0x20 + i);
    }
    const Bytes format = WaveFormatBytes();
    std::copy(format.begin(), format.end(), entry.format);
    return entry;
}

Bytes EntryBytes(const RwvEntry& entry)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&entry);
    return Bytes(p, p + sizeof entry);
}

Bytes HeaderBytes(uint32_t magic, int32_t entryCount, uint32_t fixed1, uint32_t fixed2)
{
    Bytes out;
    PutLe32(out, magic);
    PutLe32(out, static_cast<uint32_t>(entryCount));
    PutLe32(out, fixed1);
    PutLe32(out, fixed2);
    return out;
}

Bytes GoodHeaderBytes(int32_t entryCount)
{
    return HeaderBytes(RWV_MAGIC, entryCount, RWV_FIXED1, RWV_FIXED2);
}

uint8_t PatternByte(uint64_t position)
{
    return static_cast<uint8_t>((position * 7 + (position >> 8) * 13) & 0xFF);
}

bool WriteBankFile(const std::string& path, const std::vector<RwvEntry>& entries, uint64_t fileSize)
{
    Bytes head = GoodHeaderBytes(static_cast<int32_t>(entries.size()));
    for (const RwvEntry& entry : entries)
        Append(head, EntryBytes(entry));
    if (head.size() > fileSize)
        head.resize(static_cast<size_t>(fileSize));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(file, head.data(), head.size());
    Bytes piece;
    for (uint64_t at = head.size(); ok && at < fileSize; at += piece.size()) {
        piece.resize(static_cast<size_t>(std::min<uint64_t>(WRITE_PIECE, fileSize - at)));
        for (size_t i = 0; i < piece.size(); ++i)
            piece[i] = PatternByte(at + i);
        ok = WriteAll(file, piece.data(), piece.size());
    }
    return CloseHandle(file) && ok;
}

Bytes BankBytes(const std::vector<RwvEntry>& entries, uint64_t fileSize)
{
    Bytes out = GoodHeaderBytes(static_cast<int32_t>(entries.size()));
    for (const RwvEntry& entry : entries)
        Append(out, EntryBytes(entry));
    if (out.size() > fileSize)
        out.resize(static_cast<size_t>(fileSize));
    for (uint64_t at = out.size(); at < fileSize; ++at)
        out.push_back(PatternByte(at));
    return out;
}

std::vector<RwvEntry> PackedBankEntries(const std::vector<std::string>& names,
                                        const std::vector<int32_t>& sizes)
{
    std::vector<RwvEntry> entries;
    int64_t at = static_cast<int64_t>(RWV_HEADER_SIZE + RWV_ENTRY_SIZE * names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        entries.push_back(MakeEntry(names[i], static_cast<int32_t>(at), sizes[i]));
        at += sizes[i];
    }
    return entries;
}

Bytes PackageBytes(const std::vector<PackageItem>& items)
{
    Bytes out = GoodHeaderBytes(static_cast<int32_t>(items.size()));
    int64_t offset = static_cast<int64_t>(RWV_ENTRY_SIZE * items.size());
    for (const PackageItem& item : items) {
        RwvEntry entry = item.entry;
        entry.offset = static_cast<int32_t>(offset);
        offset += static_cast<int64_t>(item.data.size());
        Append(out, EntryBytes(entry));
    }
    for (const PackageItem& item : items)
        Append(out, item.data);
    return out;
}

bool WritePackageFile(const std::string& path, const std::vector<PackageItem>& items)
{
    return WriteWholeFile(path, PackageBytes(items));
}

Bytes WaveFormatBytes()
{
    Bytes out;
    out.push_back(1), out.push_back(0);  // PCM
    out.push_back(1), out.push_back(0);  // mono
    PutLe32(out, 22050);
    PutLe32(out, 44100);
    out.push_back(2), out.push_back(0);   // block alignment
    out.push_back(16), out.push_back(0);  // bits per sample
    return out;
}

Bytes WaveBytes(uint32_t fmtLength, const Bytes& data, const Bytes* listBody)
{
    Bytes out;
    PutTag(out, "RIFF");
    PutLe32(out, 0);  // patched below
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLe32(out, fmtLength);
    Bytes fmt = WaveFormatBytes();
    fmt.resize(fmtLength);
    Append(out, fmt);
    if (listBody) {
        PutTag(out, "LIST");
        PutLe32(out, static_cast<uint32_t>(listBody->size()));
        Append(out, *listBody);
    }
    PutTag(out, "data");
    PutLe32(out, static_cast<uint32_t>(data.size()));
    Append(out, data);
    const uint32_t riffLength = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<uint8_t>(riffLength >> (8 * i));
    return out;
}

bool WriteWaveFile(const std::string& path, uint32_t fmtLength, const Bytes& data, const Bytes* listBody)
{
    return WriteWholeFile(path, WaveBytes(fmtLength, data, listBody));
}

Bytes ToneData(size_t length, int seed)
{
    Bytes out(length);
    const double step = 2.0 * 3.14159265358979 * (220.0 + 55.0 * seed) / 22050.0;
    for (size_t i = 0; i + 1 < length; i += 2) {
        const double fade = 1.0 - static_cast<double>(i) / static_cast<double>(length);
        const int16_t sample = static_cast<int16_t>(12000.0 * fade * std::sin(step * static_cast<double>(i / 2)));
        out[i] = static_cast<uint8_t>(sample & 0xFF);
        out[i + 1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
    }
    return out;
}

std::vector<std::string> NamesInSearchOrder(const std::string& pattern)
{
    std::vector<std::string> names;
    for (DirectorySearch search(pattern.c_str()); search.Found(); search.Next())
        names.push_back(search.Match().cFileName);
    return names;
}
