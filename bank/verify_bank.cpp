// Header, directory and range checks, all from the header, the directory and the file size.
#include "bank/verify_bank.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "bank/file_io.h"
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

// Records read in pieces of this many, so that a directory of any length costs the same memory.
const int64_t RECORDS_PER_READ = 4096;

// A name as matching compares it: A-Z folded, up to its NUL.
std::string FoldedName(const RwvEntry& entry)
{
    std::string folded;
    for (size_t i = 0; i < RWV_NAME_SIZE && entry.name[i] != '\0'; ++i)
        folded += FoldAsciiLetter(entry.name[i]);
    return folded;
}

struct Range {
    int32_t offset;
    int32_t size;
    int32_t index;
};

// The checks of one record at a time; what must be seen across records (names two entries
// share, overlaps) is kept as small keys, never as the records themselves.
class DirectoryChecker {
public:
    DirectoryChecker(const BankReader& bank, const ProblemReport& report) : bank_(bank), report_(report) {}
    void Check(int32_t i, const RwvEntry& e)
    {
        CheckRange(i, e);
        CheckName(i, e);
        if (e.size > 0 && bank_.RangeInsideFile(e))
            ranges_.push_back({e.offset, e.size, i});
    }
    void CheckOverlaps();

    int64_t problems = 0;

private:
    void Report(const std::string& line)
    {
        ++problems;
        report_(line);
    }
    void CheckRange(int32_t i, const RwvEntry& e);
    void CheckName(int32_t i, const RwvEntry& e);
    std::string DescribeAt(int32_t i) const
    {
        RwvEntry record;
        return ReadRecords(bank_.File(), &record, i, 1, bank_.fileSize) ? DescribeEntry(i, record)
                                                                         : Line("entry %d", static_cast<int>(i));
    }

    const BankReader& bank_;
    const ProblemReport& report_;
    std::unordered_map<std::string, int32_t> firstOfName_;  // folded name -> the first entry of that name
    std::vector<Range> ranges_;
};

void DirectoryChecker::CheckRange(int32_t i, const RwvEntry& e)
{
    if (e.offset < 0 || e.size < 0) {
        Report(Line("%s: negative %s (offset %d, size %d)", DescribeEntry(i, e).c_str(), e.offset < 0 ? "offset" : "size",
                    static_cast<int>(e.offset), static_cast<int>(e.size)));
        return;
    }
    const long long end = static_cast<long long>(e.offset) + e.size;
    if (!bank_.RangeInsideFile(e))
        Report(Line("%s: its bytes %d to %lld lie outside the file of %lld bytes", DescribeEntry(i, e).c_str(),
                    static_cast<int>(e.offset), end, static_cast<long long>(bank_.fileSize)));
    else if (e.size > 0 && e.offset < bank_.DirectoryEnd())
        Report(Line("%s: its bytes %d to %lld lie on the header or the directory", DescribeEntry(i, e).c_str(),
                    static_cast<int>(e.offset), end));
}

void DirectoryChecker::CheckName(int32_t i, const RwvEntry& e)
{
    if (std::memchr(e.name, '\0', RWV_NAME_SIZE) == nullptr) {
        Report(Line("%s: its name has no end within its %u bytes", DescribeEntry(i, e).c_str(),
                    static_cast<unsigned>(RWV_NAME_SIZE)));
        return;
    }
    // No wave file has an empty name, so empty names hide nothing (a zero-filled directory
    // holds nothing but them).
    if (e.name[0] == '\0')
        return;
    const auto first = firstOfName_.emplace(FoldedName(e), i);
    if (!first.second)
        Report(Line("%s: its name is that of %s, which is found instead", DescribeEntry(i, e).c_str(),
                    DescribeAt(first.first->second).c_str()));
}

// Ranges sorted by start; each is compared with the furthest-reaching one before it.
// Two entries on the very same bytes share them on purpose; anything else is damage.
void DirectoryChecker::CheckOverlaps()
{
    std::sort(ranges_.begin(), ranges_.end(), [](const Range& a, const Range& b) {
        if (a.offset != b.offset)
            return a.offset < b.offset;
        return a.size != b.size ? a.size < b.size : a.index < b.index;
    });
    const Range* reach = nullptr;
    for (const Range& r : ranges_) {
        const int64_t end = static_cast<int64_t>(r.offset) + r.size;
        if (reach != nullptr) {
            const bool same = reach->offset == r.offset && reach->size == r.size;
            if (!same && r.offset < static_cast<int64_t>(reach->offset) + reach->size)
                Report(Line("%s: its bytes overlap those of %s in part", DescribeAt(r.index).c_str(),
                            DescribeAt(reach->index).c_str()));
        }
        if (reach == nullptr || end > static_cast<int64_t>(reach->offset) + reach->size)
            reach = &r;
    }
}

}  // namespace

std::string DescribeEntry(int32_t index, const RwvEntry& entry)
{
    return Line("entry %d \"%s\"", static_cast<int>(index), PrintableNameOf(entry).c_str());
}

VerifyOutcome VerifyBank(const BankReader& bank, const ProblemReport& report)
{
    VerifyOutcome outcome = {0, true};
    std::vector<std::string> header;
    CheckHeader(bank, header);
    for (const std::string& line : header)
        report(line);
    outcome.problems = static_cast<int64_t>(header.size());
    if (!header.empty())
        return outcome;
    if (!bank.DirectoryComplete()) {
        report(Line("directory: %d entries need %lld bytes, but the file holds %lld",
                    static_cast<int>(bank.header.entryCount), static_cast<long long>(bank.DirectoryEnd()),
                    static_cast<long long>(bank.fileSize)));
        ++outcome.problems;
    }
    DirectoryChecker checker(bank, report);
    const int64_t held = RecordsHeld(bank.header.entryCount, bank.fileSize);
    std::vector<RwvEntry> records(static_cast<size_t>(std::min(held, RECORDS_PER_READ)));
    for (int64_t first = 0; first < held && outcome.recordsRead; first += RECORDS_PER_READ) {
        const int64_t count = std::min(RECORDS_PER_READ, held - first);
        outcome.recordsRead = ReadRecords(bank.File(), records.data(), first, count, bank.fileSize);
        for (int64_t k = 0; k < count && outcome.recordsRead; ++k)
            checker.Check(static_cast<int32_t>(first + k), records[static_cast<size_t>(k)]);
    }
    checker.CheckOverlaps();
    outcome.problems += checker.problems;
    return outcome;
}

std::vector<std::string> FindBankProblems(const BankReader& bank)
{
    std::vector<std::string> problems;
    const VerifyOutcome outcome = VerifyBank(bank, [&problems](const std::string& line) { problems.push_back(line); });
    if (!outcome.recordsRead)
        problems.push_back("directory: its records could not be read");
    return problems;
}
