// ResourceImage: resource bytes, and the emblem's round trip through "tmp.ani".
#include "app/resource_image.h"
#include "res/resource.h"
#include "tests/app/cursor_probe.h"
#include "tests/app/test_resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

static std::string TempPath(const char* name)
{
    char folder[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, folder);
    return std::string(folder, n) + name;
}

static bool FileThere(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static bool WriteWholeFile(const std::string& path, const std::vector<char>& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

static std::vector<char> ReadWholeFile(const std::string& path)
{
    std::vector<char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        bytes.clear();
    CloseHandle(file);
    return bytes;
}

class ExtractCursor : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(tmpAni.c_str()); }
    void TearDown() override { DeleteFileA(tmpAni.c_str()); }

    const std::string tmpAni = TempPath("tmp.ani");
    ResourceImage images{nullptr};
    HCURSOR cursor = reinterpret_cast<HCURSOR>(1);
};

TEST_F(ExtractCursor, EmblemGivesAnAnimated60By60CursorAndLeavesNoFile)
{
    ASSERT_TRUE(images.ExtractCursor(IDR_EMBLEM, &cursor));
    ASSERT_NE(cursor, nullptr);
    EXPECT_FALSE(FileThere(tmpAni));
    const CursorSize size = SizeOfCursor(cursor);
    EXPECT_EQ(size.width, 60);
    EXPECT_EQ(size.height, 60);
    const std::vector<DWORD> first = DrawCursorStep(cursor, 60, 60, 0);
    const std::vector<DWORD> later = DrawCursorStep(cursor, 60, 60, 7);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(later.empty());
    EXPECT_NE(first, later) << "the emblem's steps should differ";
    DestroyCursor(cursor);
}

TEST_F(ExtractCursor, NullModuleMeansTheProgramsOwn)
{
    EXPECT_EQ(images.module, GetModuleHandleA(nullptr));
}

TEST_F(ExtractCursor, IdWithoutAnAnimatedCursorFailsAndCreatesNoFile)
{
    // 101 exists, but as an icon group.
    EXPECT_FALSE(images.ExtractCursor(IDI_APP, &cursor));
    EXPECT_EQ(cursor, nullptr);
    EXPECT_FALSE(FileThere(tmpAni));
}

TEST_F(ExtractCursor, BytesThatAreNoCursorGiveSuccessWithANullCursor)
{
    EXPECT_TRUE(images.ExtractCursor(IDR_TEST_NOT_A_CURSOR, &cursor));
    EXPECT_EQ(cursor, nullptr);
    EXPECT_FALSE(FileThere(tmpAni));
}

TEST_F(ExtractCursor, TmpAniHeldOpenElsewhereFails)
{
    HANDLE held = CreateFileA(tmpAni.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(images.ExtractCursor(IDR_EMBLEM, &cursor));
    EXPECT_EQ(cursor, nullptr);
    CloseHandle(held);
}

// A second name for the file's data keeps what "tmp.ani" held once its own name is deleted:
// after the call it must be the resource's bytes exactly, with no tail of the older file.
TEST_F(ExtractCursor, OlderLongerTmpAniLeavesNoBytesBehind)
{
    const std::string witness = TempPath("shell-tmp-ani-witness.bin");
    DeleteFileA(witness.c_str());
    ASSERT_TRUE(WriteWholeFile(witness, std::vector<char>(100000, '\x5A')));
    if (!CreateHardLinkA(tmpAni.c_str(), witness.c_str(), nullptr)) {
        DeleteFileA(witness.c_str());
        GTEST_SKIP() << "no hard links in the temporary folder";
    }

    EXPECT_TRUE(images.ExtractCursor(IDR_TEST_NOT_A_CURSOR, &cursor));

    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(images.LoadData(IDR_TEST_NOT_A_CURSOR, MAKEINTRESOURCEA(RESOURCE_TYPE_ANICURSOR), &data, &size));
    const std::vector<char> left = ReadWholeFile(witness);
    ASSERT_EQ(left.size(), size);
    EXPECT_EQ(std::memcmp(left.data(), data, size), 0);
    EXPECT_FALSE(FileThere(tmpAni));
    DeleteFileA(witness.c_str());
}

TEST(ResourceImageLoadData, GivesTheResourcesBytesAndSize)
{
    ResourceImage images(nullptr);
    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(images.LoadData(IDR_EMBLEM, MAKEINTRESOURCEA(RESOURCE_TYPE_ANICURSOR), &data, &size));
    ASSERT_GE(size, 12u);
    EXPECT_EQ(std::memcmp(data, "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(static_cast<const char*>(data) + 8, "ACON", 4), 0);
}

TEST(ResourceImageLoadData, MissingResourceFails)
{
    ResourceImage images(nullptr);
    const void* data = nullptr;
    DWORD size = 0;
    EXPECT_FALSE(images.LoadData(999, MAKEINTRESOURCEA(RESOURCE_TYPE_ANICURSOR), &data, &size));
}
