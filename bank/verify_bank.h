// The checks of verify: what in a bank's header and directory would mislead a reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bank/bank_reader.h"

// One line per problem of a bank opened by BankReader (READ or NOT_A_BANK); none for a
// sound bank without fault. A failed header check is the only problem then reported.
std::vector<std::string> FindBankProblems(const BankReader& bank);
// `entry 3 "name"` for messages, with bytes that are not printable shown as '?'.
std::string DescribeEntry(int32_t index, const RwvEntry& entry);
