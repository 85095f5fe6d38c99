// Edit distance with neighbour swaps, which are the commonest slip of typing.
#include "cli/nearest_word.h"

#include <algorithm>

#include "bank/format.h"

namespace {

const size_t MOST_EDITS = 2;

// Insertions, deletions, changes and swaps of neighbours needed to turn a into b, with
// A-Z folded.
size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = FoldAsciiLetter(a[i - 1]) == FoldAsciiLetter(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            const bool swapped = i > 1 && j > 1 && FoldAsciiLetter(a[i - 1]) == FoldAsciiLetter(b[j - 2]) &&
                                 FoldAsciiLetter(a[i - 2]) == FoldAsciiLetter(b[j - 1]);
            if (swapped)
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates)
{
    std::string nearest;
    size_t best = MOST_EDITS + 1;
    for (const std::string& candidate : candidates) {
        const size_t distance = EditDistance(word, candidate);
        if (distance < best && distance * 2 < word.size()) {
            best = distance;
            nearest = candidate;
        }
    }
    return nearest;
}
