// Shadowed names found by sorting, so that large directories take n log n, not n squared.
#include "bank/duplicate_names.h"

#include <algorithm>
#include <cstring>

namespace {

bool HasNul(const RwvEntry& entry)
{
    return std::memchr(entry.name, '\0', RWV_NAME_SIZE) != nullptr;
}

// Folded comparison of two NUL-terminated names within their fields.
int CompareFolded(const RwvEntry& a, const RwvEntry& b)
{
    for (size_t i = 0; i < RWV_NAME_SIZE; ++i) {
        const char x = FoldAsciiLetter(a.name[i]);
        const char y = FoldAsciiLetter(b.name[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        if (x == '\0')
            return 0;
    }
    return 0;
}

}  // namespace

std::vector<int32_t> FirstEntriesByName(const RwvEntry* entries, int32_t count)
{
    std::vector<int32_t> first(static_cast<size_t>(count));
    std::vector<int32_t> order;
    for (int32_t i = 0; i < count; ++i) {
        first[i] = i;
        if (HasNul(entries[i]))
            order.push_back(i);
    }
    // Stable: within a run of equal names the lowest index comes first.
    std::stable_sort(order.begin(), order.end(), [entries](int32_t a, int32_t b) {
        return CompareFolded(entries[a], entries[b]) < 0;
    });
    for (size_t k = 1; k < order.size(); ++k) {
        const int32_t previous = order[k - 1];
        if (CompareFolded(entries[previous], entries[order[k]]) == 0)
            first[order[k]] = first[previous];
    }
    return first;
}
