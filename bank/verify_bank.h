// The checks of verify: what in a bank's header and directory would mislead a reader.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bank/bank_reader.h"

using ProblemReport = std::function<void(const std::string&)>;

struct VerifyOutcome {
    int64_t problems;  // lines reported
    bool recordsRead;  // false when reading the records failed part way
};
// Checks a bank opened by BankReader (READ or NOT_A_BANK; its records loaded or not) and
// reports each problem as one line as soon as it is found. The records are read from the
// file in pieces, so a directory of any length costs the same memory; what must be seen
// across entries is kept as names and ranges. A failed header check is the only problem
// then reported.
VerifyOutcome VerifyBank(const BankReader& bank, const ProblemReport& report);
// The same lines collected; none for a sound bank without fault.
std::vector<std::string> FindBankProblems(const BankReader& bank);
// `entry 3 "name"` for messages, the name printable.
std::string DescribeEntry(int32_t index, const RwvEntry& entry);
