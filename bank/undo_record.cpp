// Reading a record is split in steps that each trust only what the step before checked: the
// head's fields against the file's size, then the sum of the bytes they bound, then the
// parts' contents. Nothing is allocated from a field that has not been bounded.
#include "bank/undo_record.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <new>

#include "bank/checksum.h"
#include "bank/failure_cause.h"
#include "bank/format.h"

namespace {

const DWORD STREAM_BUFFER_SIZE = 1u << 20;
// The head's bytes after its checksum: the first part that is summed.
const size_t SUMMED_FROM = offsetof(RecordHead, recordBytes);
const size_t SUMMED_HEAD_BYTES = sizeof(RecordHead) - SUMMED_FROM;

bool KnownState(uint32_t state)
{
    return state == STATE_BEGUN || state == STATE_PENDING || state == STATE_DONE || state == STATE_UNDOING;
}

size_t RangeBytesOf(const RecordHead& head)
{
    return head.layout == LAYOUT_SUMMED ? sizeof(WrittenRange) : sizeof(FirstLayoutRange);
}

// Where a record's parts lie, and their lengths in the order they are summed.
struct RecordParts {
    int64_t identityAt = -1;
    int64_t packageAt = 0;
    int64_t headAt = 0;
    int64_t savedAt = 0;
    int64_t rangesAt = 0;
    int64_t savedBytes = 0;
    std::vector<int64_t> summed;
};

// The parts of a head whose lengths are already known to be small; false when the fixed
// parts do not fit in the record's length.
bool PartsOf(const WalkedRecord& walked, RecordParts& parts)
{
    const RecordHead& head = walked.head;
    const int64_t identityBytes = head.layout == LAYOUT_SUMMED ? static_cast<int64_t>(sizeof(RecordedIdentity)) : 0;
    const int64_t rangeBytes = static_cast<int64_t>(head.rangeCount) * static_cast<int64_t>(RangeBytesOf(head));
    const int64_t fixed = static_cast<int64_t>(sizeof head) + identityBytes + head.packageBytes + head.headBytes + rangeBytes;
    if (static_cast<uint64_t>(fixed) > head.recordBytes)
        return false;
    parts.savedBytes = static_cast<int64_t>(head.recordBytes) - fixed;
    int64_t at = walked.at + static_cast<int64_t>(sizeof head);
    if (identityBytes > 0) {
        parts.identityAt = at;
        at += identityBytes;
    }
    parts.packageAt = at;
    parts.headAt = parts.packageAt + head.packageBytes;
    at = parts.headAt + head.headBytes;
    if (head.layout == LAYOUT_SUMMED) {
        parts.savedAt = at;
        parts.rangesAt = at + parts.savedBytes;
        parts.summed = {static_cast<int64_t>(SUMMED_HEAD_BYTES), identityBytes, head.packageBytes, head.headBytes,
                         parts.savedBytes, rangeBytes};
    } else {
        parts.rangesAt = at;
        parts.savedAt = at + rangeBytes;
        parts.summed = {static_cast<int64_t>(SUMMED_HEAD_BYTES), head.packageBytes, head.headBytes, rangeBytes,
                         parts.savedBytes};
    }
    return true;
}

// The fields that bound everything else, before any of them is used.
bool FieldsInBounds(const RecordHead& head)
{
    const int64_t directoryBytes = static_cast<int64_t>(head.headBytes) - static_cast<int64_t>(RWV_HEADER_SIZE);
    return head.layout <= LAYOUT_SUMMED && head.packageBytes < MAX_PATH && directoryBytes >= 0 &&
           directoryBytes % static_cast<int64_t>(RWV_ENTRY_SIZE) == 0 && head.headBytes <= head.sizeBefore &&
           head.sizeBefore <= head.sizeAfter && head.sizeAfter <= RWV_FORMAT_LIMIT;
}

// What the head at walked says of its record, from its fields and the file's size alone.
RecordCheck CheckHead(const WalkedRecord& walked, int64_t fileSize)
{
    const RecordHead& head = walked.head;
    if (head.tag != RECORD_TAG || !KnownState(head.state) || head.recordBytes < sizeof head)
        return RecordCheck::DAMAGED;
    const bool beingWritten = head.state == STATE_BEGUN || head.state == STATE_PENDING;
    const uint64_t left = static_cast<uint64_t>(fileSize - walked.at);
    if (head.recordBytes > left)
        return beingWritten ? RecordCheck::CUT_SHORT : RecordCheck::DAMAGED;
    if (head.state == STATE_BEGUN)
        return head.recordBytes == left ? RecordCheck::CUT_SHORT : RecordCheck::DAMAGED;
    RecordParts parts;
    return FieldsInBounds(head) && PartsOf(walked, parts) ? RecordCheck::GOOD : RecordCheck::DAMAGED;
}

// true when every byte from at to the file's end is zero: space a power cut left unwritten.
bool ZerosToEnd(HANDLE undo, int64_t at, int64_t fileSize)
{
    uint8_t block[4096];
    for (; at < fileSize; at += sizeof block) {
        const DWORD length = static_cast<DWORD>(std::min<int64_t>(sizeof block, fileSize - at));
        if (!SeekTo(undo, at) || !ReadExactly(undo, block, length))
            return false;
        if (std::any_of(block, block + length, [](uint8_t byte) { return byte != 0; }))
            return false;
    }
    return true;
}

// Reads length bytes of file from at, handing each block read to use; false when a read
// failed.
template <typename Use>
bool StreamFileBytes(HANDLE file, int64_t at, int64_t length, StreamBuffer& buffer, Use use)
{
    if (!SeekTo(file, at))
        return false;
    while (length > 0) {
        const DWORD block = static_cast<DWORD>(std::min<int64_t>(length, StreamBuffer::Size()));
        if (!ReadExactly(file, buffer.Bytes(), block))
            return false;
        use(buffer.Bytes(), block);
        length -= block;
    }
    return true;
}

template <typename Item>
bool ReadItems(HANDLE undo, int64_t at, std::vector<Item>& items, size_t count)
{
    items.resize(count);
    return count == 0 || (SeekTo(undo, at) && ReadExactly(undo, items.data(), static_cast<DWORD>(count * sizeof(Item))));
}

bool ReadRanges(HANDLE undo, const WalkedRecord& walked, int64_t at, std::vector<WrittenRange>& ranges)
{
    if (walked.head.layout == LAYOUT_SUMMED)
        return ReadItems(undo, at, ranges, walked.head.rangeCount);
    std::vector<FirstLayoutRange> first;
    if (!ReadItems(undo, at, first, walked.head.rangeCount))
        return false;
    for (const FirstLayoutRange& range : first)
        ranges.push_back({range.at, range.length, 0, 0});
    return true;
}

// The ranges each lie where the record says the change wrote, and the saved bytes are
// exactly those of the ranges inside the old size.
bool RangesInBounds(const LoadedRecord& record, int64_t savedBytes)
{
    const RecordHead& head = record.found.head;
    int64_t saved = 0;
    for (const WrittenRange& range : record.ranges) {
        if (range.at < 0 || range.at > RWV_FORMAT_LIMIT || range.length <= 0 || range.length > RWV_FORMAT_LIMIT)
            return false;
        const int64_t end = range.at + range.length;
        if (InsideOldSize(record, range)) {
            if (range.at < static_cast<int64_t>(head.headBytes) || end > head.sizeBefore)
                return false;
            saved += range.length;
            if (saved > savedBytes)
                return false;
        } else if (head.layout != LAYOUT_SUMMED || end > head.sizeAfter) {
            return false;
        }
    }
    return saved == savedBytes;
}

// The stored header's own count gives the length of the directory stored after it.
bool HeadMatchesItsCount(const LoadedRecord& record)
{
    RwvHeader header;
    std::memcpy(&header, record.headBefore.data(), sizeof header);
    return header.entryCount >= 0 &&
           static_cast<int64_t>(RWV_HEADER_SIZE) + DirectoryBytes(header.entryCount) ==
               static_cast<int64_t>(record.headBefore.size());
}

bool WriteAndSum(HANDLE undo, const void* bytes, size_t length, uint64_t& sum)
{
    sum = Checksum(sum, bytes, length);
    return WriteExactly(undo, bytes, static_cast<DWORD>(length));
}

// Interval bookkeeping of RangesOf: the parts of [from, to) no later write covers.
using Covered = std::map<int64_t, int64_t>;  // start -> end, disjoint

std::vector<std::pair<int64_t, int64_t>> Uncovered(const Covered& covered, int64_t from, int64_t to)
{
    std::vector<std::pair<int64_t, int64_t>> parts;
    auto next = covered.upper_bound(from);
    if (next != covered.begin() && std::prev(next)->second > from)
        from = std::prev(next)->second;
    for (; from < to; ++next) {
        const int64_t stop = next == covered.end() ? to : std::min(to, next->first);
        if (stop > from)
            parts.push_back({from, stop});
        if (next == covered.end())
            break;
        from = std::max(from, next->second);
    }
    return parts;
}

void Cover(Covered& covered, int64_t from, int64_t to)
{
    auto first = covered.upper_bound(from);
    if (first != covered.begin() && std::prev(first)->second >= from)
        --first;
    auto last = first;
    for (; last != covered.end() && last->first <= to; ++last) {
        from = std::min(from, last->first);
        to = std::max(to, last->second);
    }
    covered.erase(first, last);
    covered[from] = to;
}

}  // namespace

StreamBuffer::StreamBuffer() : bytes_(new (std::nothrow) uint8_t[STREAM_BUFFER_SIZE]) {}

DWORD StreamBuffer::Size()
{
    return STREAM_BUFFER_SIZE;
}

RecordWalk WalkRecords(HANDLE undo)
{
    RecordWalk walk;
    const int64_t size = SizeOfFile(undo);
    if (size < 0) {
        walk.end = RecordCheck::UNREADABLE;
        return walk;
    }
    for (WalkedRecord walked = {0, {}}; walked.at < size; walked.at += static_cast<int64_t>(walked.head.recordBytes)) {
        walk.endAt = walked.at;
        if (size - walked.at < static_cast<int64_t>(sizeof walked.head)) {
            walk.end = RecordCheck::CUT_SHORT;
            return walk;
        }
        if (!SeekTo(undo, walked.at) || !ReadExactly(undo, &walked.head, sizeof walked.head)) {
            walk.end = RecordCheck::UNREADABLE;
            return walk;
        }
        walk.end = CheckHead(walked, size);
        if (walk.end == RecordCheck::DAMAGED && walked.head.tag == 0 && ZerosToEnd(undo, walked.at, size))
            walk.end = RecordCheck::CUT_SHORT;
        if (walk.end != RecordCheck::GOOD)
            return walk;
        walk.records.push_back(walked);
    }
    walk.endAt = size;
    walk.end = RecordCheck::GOOD;
    return walk;
}

RecordCheck CheckSum(HANDLE undo, const WalkedRecord& walked, StreamBuffer& buffer)
{
    RecordParts parts;
    if (!PartsOf(walked, parts))
        return RecordCheck::DAMAGED;
    uint64_t sum = CHECKSUM_START;
    int64_t at = walked.at + static_cast<int64_t>(SUMMED_FROM);
    for (const int64_t length : parts.summed) {
        ChecksumStream part(sum);
        if (!StreamFileBytes(undo, at, length, buffer, [&part](const uint8_t* bytes, DWORD n) { part.Add(bytes, n); }))
            return RecordCheck::UNREADABLE;
        sum = part.Result();
        at += length;
    }
    return sum == walked.head.checksum ? RecordCheck::GOOD : RecordCheck::DAMAGED;
}

bool InsideOldSize(const LoadedRecord& record, const WrittenRange& range)
{
    return range.at < record.found.head.sizeBefore;
}

JournalFault LoadRecord(HANDLE undo, const WalkedRecord& walked, LoadedRecord& record)
{
    RecordParts parts;
    if (!PartsOf(walked, parts))
        return JournalFault::DAMAGED;
    record.found = walked;
    record.savedAt = parts.savedAt;
    RecordedIdentity identity = {};
    try {
        record.package.assign(walked.head.packageBytes, '\0');
        if (!ReadItems(undo, parts.headAt, record.headBefore, walked.head.headBytes) ||
            !ReadRanges(undo, walked, parts.rangesAt, record.ranges) ||
            (walked.head.packageBytes > 0 &&
             (!SeekTo(undo, parts.packageAt) || !ReadExactly(undo, &record.package[0], walked.head.packageBytes))) ||
            (parts.identityAt >= 0 &&
             (!SeekTo(undo, parts.identityAt) || !ReadExactly(undo, &identity, sizeof identity))))
            return JournalFault::IO;
    } catch (const std::bad_alloc&) {
        return JournalFault::NO_MEMORY;
    }
    record.identity = {identity.volume, identity.indexHigh, identity.indexLow};
    record.hasIdentity = identity.volume != 0 || identity.indexHigh != 0 || identity.indexLow != 0;
    return HeadMatchesItsCount(record) && RangesInBounds(record, parts.savedBytes) ? JournalFault::NONE
                                                                                    : JournalFault::DAMAGED;
}

bool SumOfFileBytes(HANDLE file, int64_t at, int64_t length, StreamBuffer& buffer, uint64_t& sum)
{
    ChecksumStream stream;
    const bool read =
        StreamFileBytes(file, at, length, buffer, [&stream](const uint8_t* bytes, DWORD n) { stream.Add(bytes, n); });
    sum = stream.Result();
    return read;
}

bool CopySavedBytesBack(HANDLE undo, const LoadedRecord& record, HANDLE bank, StreamBuffer& buffer)
{
    int64_t savedAt = record.savedAt;
    for (const WrittenRange& range : record.ranges) {
        if (!InsideOldSize(record, range))
            continue;
        int64_t bankAt = range.at;
        bool written = true;
        const bool read = StreamFileBytes(undo, savedAt, range.length, buffer, [&](const uint8_t* bytes, DWORD n) {
            written = written && SeekTo(bank, bankAt) && WriteExactly(bank, bytes, n);
            bankAt += n;
        });
        if (!read || !written)
            return false;
        savedAt += range.length;
    }
    const RecordHead& head = record.found.head;
    return SeekTo(bank, 0) &&
           WriteExactly(bank, record.headBefore.data(), static_cast<DWORD>(record.headBefore.size())) &&
           SetFileSize(bank, head.sizeBefore) && FlushFile(bank);
}

std::vector<PlannedRange> RangesOf(const ChangePlan& plan)
{
    std::vector<PlannedRange> ranges;
    Covered covered;
    for (size_t w = plan.writes.size(); w-- > 0;) {
        const BankWrite& write = plan.writes[w];
        const int64_t end = write.at + write.length;
        for (const auto& part : Uncovered(covered, write.at, end)) {
            // A range never spans the old end, nor more than one buffer: taking it back, or
            // checking it, is then one write or one sum of what one write left.
            for (int64_t at = part.first; at < part.second;) {
                int64_t stop = std::min<int64_t>(part.second, at + StreamBuffer::Size());
                if (at < plan.sizeBefore && stop > plan.sizeBefore)
                    stop = plan.sizeBefore;
                const uint64_t newSum = Checksum(CHECKSUM_START, write.data + (at - write.at), static_cast<size_t>(stop - at));
                ranges.push_back({{at, stop - at, 0, newSum}, w, part.first == write.at && part.second == end});
                at = stop;
            }
        }
        if (end > write.at)
            Cover(covered, write.at, end);
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const PlannedRange& a, const PlannedRange& b) { return a.range.at < b.range.at; });
    return ranges;
}

JournalFault WriteRecord(HANDLE undo, int64_t at, HANDLE bank, const ChangePlan& plan,
                         std::vector<PlannedRange>& ranges, StreamBuffer& buffer)
{
    RecordedIdentity identity = {};
    FileIdentity bankIdentity;
    if (IdentityOf(bank, bankIdentity))
        identity = {bankIdentity.volume, bankIdentity.indexHigh, bankIdentity.indexLow, 0};
    int64_t savedBytes = 0;
    for (const PlannedRange& planned : ranges)
        savedBytes += planned.range.at < plan.sizeBefore ? planned.range.length : 0;
    RecordHead head = {RECORD_TAG, STATE_BEGUN, 0, 0, plan.sizeBefore, plan.sizeAfter, plan.headAfterSum, plan.when,
                       static_cast<uint32_t>(plan.headBefore.size()), plan.replaced, plan.appended,
                       static_cast<uint32_t>(ranges.size()), static_cast<uint32_t>(plan.package.size()), LAYOUT_SUMMED};
    head.recordBytes = sizeof head + sizeof identity + plan.package.size() + plan.headBefore.size() +
                       static_cast<uint64_t>(savedBytes) + ranges.size() * sizeof(WrittenRange);
    uint64_t sum = Checksum(CHECKSUM_START, reinterpret_cast<const uint8_t*>(&head) + SUMMED_FROM, SUMMED_HEAD_BYTES);
    if (!SeekTo(undo, at) || !WriteExactly(undo, &head, sizeof head) || !WriteAndSum(undo, &identity, sizeof identity, sum) ||
        !WriteAndSum(undo, plan.package.data(), plan.package.size(), sum) ||
        !WriteAndSum(undo, plan.headBefore.data(), plan.headBefore.size(), sum))
        return FaultOfLastError();
    ChecksumStream saved(sum);
    for (PlannedRange& planned : ranges) {
        WrittenRange& range = planned.range;
        if (range.at >= plan.sizeBefore)
            continue;
        // One read per range: a range is never longer than the buffer.
        if (!SeekTo(bank, range.at) || !ReadExactly(bank, buffer.Bytes(), static_cast<DWORD>(range.length)))
            return JournalFault::IO;
        range.oldSum = Checksum(CHECKSUM_START, buffer.Bytes(), static_cast<size_t>(range.length));
        saved.Add(buffer.Bytes(), static_cast<size_t>(range.length));
        if (!WriteExactly(undo, buffer.Bytes(), static_cast<DWORD>(range.length)))
            return FaultOfLastError();
    }
    sum = saved.Result();
    std::vector<WrittenRange> table;
    for (const PlannedRange& planned : ranges)
        table.push_back(planned.range);
    if (!WriteAndSum(undo, table.data(), table.size() * sizeof(WrittenRange), sum))
        return FaultOfLastError();
    head.checksum = sum;
    head.state = STATE_PENDING;
    if (!SeekTo(undo, at) || !WriteExactly(undo, &head, sizeof head) || !FlushFile(undo))
        return FaultOfLastError();
    return JournalFault::NONE;
}

JournalFault FaultOfLastError()
{
    switch (CauseOf(GetLastError())) {
    case FailureCause::DISK_FULL:
        return JournalFault::DISK_FULL;
    case FailureCause::HELD:
        return JournalFault::HELD;
    case FailureCause::NO_MEMORY:
        return JournalFault::NO_MEMORY;
    default:
        return JournalFault::IO;
    }
}
