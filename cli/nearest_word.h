// The nearest of some known words to a word mistyped, for "Did you mean ...?" hints.
#pragma once

#include <string>
#include <vector>

// The candidate closest to word (letter case and one swap of neighbours count as one
// edit at most), or "" when none is close enough to be meant: within two edits and less
// than half of the word changed.
std::string NearestWord(const std::string& word, const std::vector<std::string>& candidates);
