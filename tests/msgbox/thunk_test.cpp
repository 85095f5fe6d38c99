// The code stubs: the exact bytes of the 32-bit one, and both executed for real.
#include "msgbox/thunk.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "msgbox/ext_message_box.h"
#include "tests/msgbox/box_session.h"

TEST(Thunk32, LoadsTheObjectIntoEcxAndJumpsRelativeToItsOwnEnd)
{
    BYTE out[THUNK32_SIZE] = {};
    EncodeThunk32(out, 0x00401000u, 0x0012FF40u, 0x00402345u);
    // 0x00402345 - (0x00401000 + 10) = 0x0000133B
    const BYTE expected[THUNK32_SIZE] = {0xB9, 0x40, 0xFF, 0x12, 0x00, 0xE9, 0x3B, 0x13, 0x00, 0x00};
    for (size_t i = 0; i < THUNK32_SIZE; ++i)
        EXPECT_EQ(out[i], expected[i]) << "byte " << i;
}

TEST(Thunk32, BackwardJumpIsANegativeDisplacement)
{
    BYTE out[THUNK32_SIZE] = {};
    EncodeThunk32(out, 0x7FFE0000u, 0x80000010u, 0x00401000u);
    // 0x00401000 - 0x7FFE000A wraps to 0x8042_0FF6; an object above 2 GB stays unsigned bytes.
    const BYTE expected[THUNK32_SIZE] = {0xB9, 0x10, 0x00, 0x00, 0x80, 0xE9, 0xF6, 0x0F, 0x42, 0x80};
    for (size_t i = 0; i < THUNK32_SIZE; ++i)
        EXPECT_EQ(out[i], expected[i]) << "byte " << i;
}

TEST(Thunk, BlockIsExecutableAndFreedOnce)
{
    BYTE* thunk = AllocateThunk();
    ASSERT_NE(thunk, nullptr);
    MEMORY_BASIC_INFORMATION info = {};
    ASSERT_NE(VirtualQuery(thunk, &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
    FreeThunk(thunk);
    EXPECT_EQ(thunk, nullptr);
    FreeThunk(thunk);  // a second release is harmless
}

// The stub executed for real: the platform calls the hook and the box's window procedure
// through it, and reaches the object's members with their arguments intact.

#ifdef _WIN64

// Under Wine the heap lies below 4 GB, where an address cut to 32 bits would pass unseen.
TEST(ThunkX64, ObjectAboveFourGigabytesIsRecognisedAndReached)
{
    const UINT_PTR FOUR_GB = 0x100000000ull;
    void* place = nullptr;
    for (UINT_PTR at = 16 * FOUR_GB; place == nullptr && at < 256 * FOUR_GB; at += FOUR_GB)
        place = VirtualAlloc(reinterpret_cast<void*>(at), sizeof(ExtMessageBox), MEM_RESERVE | MEM_COMMIT,
                             PAGE_READWRITE);
    ASSERT_NE(nullptr, place);
    ExtMessageBox* object = new (place) ExtMessageBox;
    object->Init(nullptr);
    ShowArgs args;
    args.style = MB_YESNO;
    HWND seen = nullptr;
    std::string title;
    const int result = ShowAndProbe(*object, args, [&](HWND box) {
        seen = box;
        title = WindowTextOf(box);
        PressButton(box, IDNO);
    });
    EXPECT_EQ(IDNO, result);
    EXPECT_EQ(seen, object->box) << "the hook did not recognise the box of an object at " << place;
    EXPECT_EQ("Box under test", title);
    object->Release();
    object->~ExtMessageBox();
    VirtualFree(place, 0, MEM_RELEASE);
}

#else

namespace {

// Calls a stdcall procedure as the platform does, args pushed last first; stackMoved gets
// how far ESP ended from where it was before the pushes, 0 when the procedure popped exactly
// its arguments. ESP is put back either way, so that a fault is reported, not a crash.
LRESULT CallAsThePlatform(const void* proc, const UINT_PTR* args, UINT_PTR count, LONG_PTR& stackMoved)
{
    LRESULT result = reinterpret_cast<LRESULT>(proc);
    UINT_PTR before = 0, after = 0, scratch = 0;
    asm volatile("movl %%esp, %%esi\n\t"
                 "1: pushl -4(%%ebx,%%ecx,4)\n\t"
                 "loop 1b\n\t"
                 "call *%%eax\n\t"
                 "movl %%esp, %%edi\n\t"
                 "movl %%esi, %%esp"
                 : "+a"(result), "+c"(count), "+d"(scratch), "=&S"(before), "=&D"(after)
                 : "b"(args)
                 : "memory", "cc");
    stackMoved = static_cast<LONG_PTR>(after - before);
    return result;
}

}  // namespace

TEST(ThunkX86, BoxesAnsweredThroughTheStubReturnTheirIdsAndKeepTheStack)
{
    ExtMessageBox object;
    object.Init(nullptr);
    BYTE* hookStub = AllocateThunk();
    ASSERT_NE(nullptr, hookStub);
    AimThunk(hookStub, &object, ThunkTarget::HookProc);
    const UINT_PTR notActivation[] = {HCBT_MINMAX, 0, 0};
    LONG_PTR moved = -1;
    CallAsThePlatform(hookStub, notActivation, 3, moved);
    EXPECT_EQ(0, moved) << "the hook popped the wrong number of bytes";
    FreeThunk(hookStub);

    // Twice the same box, then the folder prompt's layout.
    const int answers[] = {IDNO, IDYES, IDCANCEL};
    for (int round = 0; round < 3; ++round) {
        ShowArgs args;
        args.style = MB_YESNO;
        if (round == 2) {
            ConfigureFolderPrompt(object, "C:\\");
            args = FolderPromptArgs(nullptr);
        }
        HWND seen = nullptr;
        bool throughStub = false;
        moved = -1;
        const int result = ShowAndProbe(object, args, [&](HWND box) {
            seen = box;
            const void* proc = reinterpret_cast<const void*>(GetWindowLongPtrA(box, GWLP_WNDPROC));
            throughStub = proc == object.hookThunk;
            const int id = answers[round];
            const UINT_PTR click[] = {reinterpret_cast<UINT_PTR>(box), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                      reinterpret_cast<UINT_PTR>(GetDlgItem(box, id))};
            if (throughStub)
                CallAsThePlatform(proc, click, 4, moved);
        });
        EXPECT_EQ(answers[round], result) << "round " << round;
        EXPECT_EQ(seen, object.box) << "round " << round << ": the hook did not recognise the box";
        EXPECT_TRUE(throughStub) << "round " << round;
        EXPECT_EQ(0, moved) << "round " << round << ": the box procedure popped the wrong number of bytes";
    }
    object.Release();
}

#endif
