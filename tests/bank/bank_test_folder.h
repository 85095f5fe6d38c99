// A temporary folder per test, and the small tmpfs that the full-disk cases write to.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bank/workspace.h"
#include "tests/support/bank_files.h"

class BankFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeTempFolder("bank");
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override { RemoveFolder(folder); }

    std::string Path(const std::string& name) const { return folder + name; }
    std::string Text(const std::string& name) const
    {
        const Bytes bytes = ReadWholeFile(Path(name));
        return std::string(bytes.begin(), bytes.end());
    }

    std::string folder;
};

// The folder of a small mounted disk (VORLAN_FULL_DISK_DIR, a Windows path ending in a
// backslash), emptied; empty when none is there. Disks of more than 1 MiB are not taken,
// so that an ordinary folder never passes for a full disk.
std::string SmallDiskFolder();
