// The program's resources as the compiler wrote them: the main dialog's template byte for
// byte, the icon groups' sizes and depths, and the emblem's animation header.
#include "app/resource_image.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// Reads little-endian values and UTF-16 texts one after another from a resource.
class ByteReader {
public:
    ByteReader(const void* data, DWORD size) : bytes(static_cast<const unsigned char*>(data)), end(size) {}

    unsigned Word()
    {
        if (at + 2 > end) {
            ok = false;
            return 0;
        }
        const unsigned v = bytes[at] | (bytes[at + 1] << 8);
        at += 2;
        return v;
    }
    unsigned long Dword()
    {
        const unsigned long low = Word();
        return low | (static_cast<unsigned long>(Word()) << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    // A text of ASCII characters, up to its terminator.
    std::string Text()
    {
        std::string s;
        for (unsigned c = Word(); ok && c != 0; c = Word())
            s += static_cast<char>(c);
        return s;
    }
    // A class or menu field: an ordinal after 0xFFFF, a text, or nothing (a lone 0).
    std::string NameOrOrdinal()
    {
        const unsigned first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        if (first == 0)
            return "";
        return static_cast<char>(first) + Text();
    }
    void AlignToDword() { at = (at + 3) & ~static_cast<DWORD>(3); }
    unsigned Byte()
    {
        if (at + 1 > end) {
            ok = false;
            return 0;
        }
        return bytes[at++];
    }

    const unsigned char* bytes;
    DWORD end;
    DWORD at = 0;
    bool ok = true;
};

struct TemplateItem {
    unsigned long exStyle;
    unsigned long style;
    short x, y, cx, cy;
    long id;
    const char* className;  // "#128" is the button ordinal, "#130" the static one
    const char* text;
};

static const TemplateItem MAIN_DIALOG_ITEMS[] = {
    {WS_EX_CLIENTEDGE, 0x50010001, 19, 15, 80, 20, IDC_CREATE_PACKAGE, "#128", "Create Package"},
    {WS_EX_CLIENTEDGE, 0x50010001, 19, 40, 80, 20, IDC_INSERT_PACKAGE, "#128", "Insert Package"},
    {WS_EX_CLIENTEDGE, 0x50010001, 19, 65, 80, 20, IDC_COMPRESS_SOUNDZ, "#128", "Compress Soundz File"},
    {WS_EX_TRANSPARENT, 0x50000000, 98, 101, 54, 12, -1, "#130", "(c) Vorlan"},
    {WS_EX_TRANSPARENT, 0x50000A0E, 158, 30, 20, 20, IDC_EMBLEM, "#130", ""},
};

TEST(MainDialogTemplate, IsTheExtendedTemplateOfTheMainDialog)
{
    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(ResourceImage(nullptr).LoadData(IDD_MAIN, RT_DIALOG, &data, &size));
    ByteReader r(data, size);

    EXPECT_EQ(r.Word(), 1u);  // version
    EXPECT_EQ(r.Word(), 0xFFFFu);  // extended template
    EXPECT_EQ(r.Dword(), 0ul);  // help id
    EXPECT_EQ(r.Dword(), static_cast<unsigned long>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(r.Dword(), 0x80C808C0ul);
    const unsigned itemCount = r.Word();
    EXPECT_EQ(itemCount, 5u);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 229);
    EXPECT_EQ(r.Short(), 130);
    EXPECT_EQ(r.NameOrOrdinal(), "");  // no menu
    EXPECT_EQ(r.NameOrOrdinal(), "");  // no class of its own
    EXPECT_EQ(r.Text(), "Vorlan - Veltrino v1.0");
    EXPECT_EQ(r.Word(), 8u);  // points
    EXPECT_EQ(r.Word(), 0u);  // weight
    EXPECT_EQ(r.Byte(), 0u);  // not italic
    EXPECT_EQ(r.Byte(), 1u);  // DEFAULT_CHARSET
    EXPECT_EQ(r.Text(), "MS Sans Serif");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(itemCount, 5u);

    for (const TemplateItem& want : MAIN_DIALOG_ITEMS) {
        SCOPED_TRACE(want.text);
        r.AlignToDword();
        EXPECT_EQ(r.Dword(), 0ul);  // help id
        EXPECT_EQ(r.Dword(), want.exStyle);
        EXPECT_EQ(r.Dword(), want.style);
        EXPECT_EQ(r.Short(), want.x);
        EXPECT_EQ(r.Short(), want.y);
        EXPECT_EQ(r.Short(), want.cx);
        EXPECT_EQ(r.Short(), want.cy);
        EXPECT_EQ(static_cast<long>(r.Dword()), want.id);
        EXPECT_EQ(r.NameOrOrdinal(), want.className);
        EXPECT_EQ(r.NameOrOrdinal(), want.text);
        EXPECT_EQ(r.Word(), 0u);  // no creation data
        ASSERT_TRUE(r.ok);
    }
    EXPECT_EQ(r.at, size);
}

struct IconGroup {
    WORD id;
    int width, height, bits;
};

// Sizes and colour depths the boxes' layout and the dialog's small icon count on.
static const IconGroup ICON_GROUPS[] = {
    {IDI_APP, 16, 16, 4}, {IDI_APP, 32, 32, 4}, {IDI_PROMPT, 32, 32, 8},
    {IDI_BROWSE, 16, 16, 8}, {IDI_BUTTON_OK, 52, 17, 8}, {IDI_BUTTON_CANCEL, 56, 17, 8},
};

// GRPICONDIR: reserved, type, count; then 14-byte entries, the size in the first two bytes
// and the bit count at offset 6.
static bool GroupHolds(const IconGroup& want, unsigned* imageCount)
{
    const void* data = nullptr;
    DWORD size = 0;
    if (!ResourceImage(nullptr).LoadData(want.id, RT_GROUP_ICON, &data, &size))
        return false;
    ByteReader r(data, size);
    r.Word();
    r.Word();
    *imageCount = r.Word();
    for (unsigned i = 0; i < *imageCount && r.ok; ++i) {
        const unsigned width = r.Byte(), height = r.Byte();
        r.Word();  // colour count, reserved
        r.Word();  // planes
        const unsigned bits = r.Word();
        r.Dword();  // bytes
        r.Word();  // image id
        if (r.ok && width == unsigned(want.width) && height == unsigned(want.height) && bits == unsigned(want.bits))
            return true;
    }
    return false;
}

TEST(ProgramResources, IconGroupsHoldTheirSizesAndDepths)
{
    for (const IconGroup& group : ICON_GROUPS) {
        SCOPED_TRACE(group.id);
        unsigned images = 0;
        EXPECT_TRUE(GroupHolds(group, &images)) << group.width << " x " << group.height << ", " << group.bits << " bits";
        EXPECT_EQ(images, group.id == IDI_APP ? 2u : 1u);
    }
}

TEST(ProgramResources, EmblemIsFifteenStepsOf60By60At8BitsAndFourJiffies)
{
    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(ResourceImage(nullptr).LoadData(IDR_EMBLEM, MAKEINTRESOURCEA(RESOURCE_TYPE_ANICURSOR), &data, &size));
    const char* bytes = static_cast<const char*>(data);
    ASSERT_GE(size, 12u);
    ASSERT_EQ(std::memcmp(bytes + 8, "ACON", 4), 0);
    // The header chunk may follow other chunks: look for it among the top-level ones.
    DWORD at = 12;
    while (at + 8 <= size && std::memcmp(bytes + at, "anih", 4) != 0) {
        ByteReader length(bytes + at + 4, 4);
        at += 8 + ((length.Dword() + 1) & ~1ul);
    }
    ASSERT_LE(at + 8 + 36, size) << "no animation header";
    ByteReader r(bytes + at + 8, 36);
    EXPECT_EQ(r.Dword(), 36ul);
    EXPECT_EQ(r.Dword(), 15ul);  // frames
    EXPECT_EQ(r.Dword(), 15ul);  // steps
    EXPECT_EQ(r.Dword(), 60ul);
    EXPECT_EQ(r.Dword(), 60ul);
    EXPECT_EQ(r.Dword(), 8ul);
    EXPECT_EQ(r.Dword(), 1ul);  // planes
    EXPECT_EQ(r.Dword(), 4ul);  // jiffies per step
    EXPECT_EQ(r.Dword() & 1ul, 1ul);  // frames are icons
}
