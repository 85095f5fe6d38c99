// Header, directory and range checks, all from the header, the directory and the file size.
#include "bank/verify_bank.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "bank/duplicate_names.h"
#include "bank/safe_file_name.h"

namespace {

const size_t LINE_SIZE = 256;

std::string Line(const char* format, ...)
{
    char line[LINE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return line;
}

void CheckHeader(const BankReader& bank, std::vector<std::string>& problems)
{
    const RwvHeader& h = bank.header;
    if (!bank.headerRead) {
        problems.push_back(Line("header: the file is shorter than the %u-byte header", static_cast<unsigned>(RWV_HEADER_SIZE)));
        return;
    }
    if (h.magic != RWV_MAGIC)
        problems.push_back(Line("header: magic is 0x%08X, not 0x%08X", h.magic, RWV_MAGIC));
    if (h.fixed1 != RWV_FIXED1)
        problems.push_back(Line("header: the value at 8 is 0x%08X, not 0x%08X", h.fixed1, RWV_FIXED1));
    if (h.fixed2 != RWV_FIXED2)
        problems.push_back(Line("header: the value at 12 is 0x%08X, not 0x%08X", h.fixed2, RWV_FIXED2));
    if (h.entryCount <= 0)
        problems.push_back(Line("header: the entry count %d is not positive", static_cast<int>(h.entryCount)));
}

void CheckRange(const BankReader& bank, int32_t i, std::vector<std::string>& problems)
{
    const RwvEntry& e = bank.entries[i];
    const std::string who = DescribeEntry(i, e);
    if (e.offset < 0 || e.size < 0) {
        problems.push_back(Line("%s: negative %s (offset %d, size %d)", who.c_str(), e.offset < 0 ? "offset" : "size",
                                static_cast<int>(e.offset), static_cast<int>(e.size)));
        return;
    }
    const long long end = static_cast<long long>(e.offset) + e.size;
    if (!bank.RangeInsideFile(e))
        problems.push_back(Line("%s: its bytes %d to %lld lie outside the file of %lld bytes", who.c_str(),
                                static_cast<int>(e.offset), end, static_cast<long long>(bank.fileSize)));
    else if (e.size > 0 && e.offset < bank.DirectoryEnd())
        problems.push_back(Line("%s: its bytes %d to %lld lie on the header or the directory", who.c_str(),
                                static_cast<int>(e.offset), end));
}

bool UsableRange(const BankReader& bank, const RwvEntry& e)
{
    return e.size > 0 && bank.RangeInsideFile(e);
}

// Ranges sorted by start; each is compared with the furthest-reaching one before it.
// Two entries on the very same bytes share them on purpose; anything else is damage.
void CheckOverlaps(const BankReader& bank, std::vector<std::string>& problems)
{
    std::vector<int32_t> order;
    for (int32_t i = 0; i < bank.count; ++i) {
        if (UsableRange(bank, bank.entries[i]))
            order.push_back(i);
    }
    const RwvEntry* entries = bank.entries.get();
    std::sort(order.begin(), order.end(), [entries](int32_t a, int32_t b) {
        if (entries[a].offset != entries[b].offset)
            return entries[a].offset < entries[b].offset;
        return entries[a].size != entries[b].size ? entries[a].size < entries[b].size : a < b;
    });
    int32_t reach = -1;
    for (const int32_t i : order) {
        const RwvEntry& e = entries[i];
        if (reach >= 0) {
            const RwvEntry& r = entries[reach];
            const bool same = r.offset == e.offset && r.size == e.size;
            if (!same && e.offset < static_cast<int64_t>(r.offset) + r.size)
                problems.push_back(Line("%s: its bytes overlap those of %s in part", DescribeEntry(i, e).c_str(),
                                        DescribeEntry(reach, r).c_str()));
        }
        if (reach < 0 || static_cast<int64_t>(e.offset) + e.size > static_cast<int64_t>(entries[reach].offset) + entries[reach].size)
            reach = i;
    }
}

void CheckNames(const BankReader& bank, std::vector<std::string>& problems)
{
    const std::vector<int32_t> first = FirstEntriesByName(bank.entries.get(), bank.count);
    for (int32_t i = 0; i < bank.count; ++i) {
        const RwvEntry& e = bank.entries[i];
        if (std::memchr(e.name, '\0', RWV_NAME_SIZE) == nullptr)
            problems.push_back(Line("%s: its name has no end within its %u bytes", DescribeEntry(i, e).c_str(),
                                    static_cast<unsigned>(RWV_NAME_SIZE)));
        else if (first[i] != i)
            problems.push_back(Line("%s: its name is that of %s, which is found instead", DescribeEntry(i, e).c_str(),
                                    DescribeEntry(first[i], bank.entries[first[i]]).c_str()));
    }
}

}  // namespace

std::string DescribeEntry(int32_t index, const RwvEntry& entry)
{
    return Line("entry %d \"%s\"", static_cast<int>(index), PrintableNameOf(entry).c_str());
}

std::vector<std::string> FindBankProblems(const BankReader& bank)
{
    std::vector<std::string> problems;
    CheckHeader(bank, problems);
    if (!problems.empty())
        return problems;
    if (!bank.DirectoryComplete())
        problems.push_back(Line("directory: %d entries need %lld bytes, but the file holds %lld",
                                static_cast<int>(bank.header.entryCount), static_cast<long long>(bank.DirectoryEnd()),
                                static_cast<long long>(bank.fileSize)));
    for (int32_t i = 0; i < bank.count; ++i)
        CheckRange(bank, i, problems);
    CheckNames(bank, problems);
    CheckOverlaps(bank, problems);
    return problems;
}
