// Code stubs: the platform calls a plain procedure, the stub supplies the object.
#include "msgbox/thunk.h"

#include <cstring>

#include "msgbox/ext_message_box.h"

namespace {

// Big enough for the longest stub of either build.
const SIZE_T THUNK_BLOCK_SIZE = 64;

void PutLittleEndian(BYTE* out, UINT64 value, int byteCount)
{
    for (int i = 0; i < byteCount; ++i)
        out[i] = static_cast<BYTE>(value >> (8 * i));
}

#ifdef _WIN64

// x64: the platform's first four arguments travel in RCX, RDX, R8 and R9.

// The hook has three arguments, so they shift right by one register and the object takes
// RCX. 31 bytes:
//   4D 89 C1        mov r9, r8      lParam
//   49 89 D0        mov r8, rdx     wParam
//   48 89 CA        mov rdx, rcx    hook code
//   48 B9 <imm64>   mov rcx, object
//   48 B8 <imm64>   mov rax, target
//   FF E0           jmp rax
const BYTE HOOK_SHIFT[] = {0x4D, 0x89, 0xC1, 0x49, 0x89, 0xD0, 0x48, 0x89, 0xCA};

// A window procedure has four, and a shift would push lParam onto the caller's stack, so
// the object replaces the window handle (the object keeps it in `box`). 22 bytes:
//   48 B9 <imm64>   mov rcx, object
//   48 B8 <imm64>   mov rax, target
//   FF E0           jmp rax
const BYTE MOV_RCX_IMM64[] = {0x48, 0xB9};
const BYTE MOV_RAX_IMM64[] = {0x48, 0xB8};
const BYTE JMP_RAX[] = {0xFF, 0xE0};

LRESULT HookEntry(ExtMessageBox* object, int code, WPARAM wParam, LPARAM lParam)
{
    return object->HookProc(code, wParam, lParam);
}

LRESULT BoxEntry(ExtMessageBox* object, UINT message, WPARAM wParam, LPARAM lParam)
{
    return object->BoxProc(object->box, message, wParam, lParam);
}

BYTE* Append(BYTE* out, const BYTE* bytes, size_t count)
{
    std::memcpy(out, bytes, count);
    return out + count;
}

void EncodeThunk64(BYTE* out, bool shiftArguments, UINT64 object, UINT64 target)
{
    if (shiftArguments)
        out = Append(out, HOOK_SHIFT, sizeof HOOK_SHIFT);
    out = Append(out, MOV_RCX_IMM64, sizeof MOV_RCX_IMM64);
    PutLittleEndian(out, object, 8);
    out = Append(out + 8, MOV_RAX_IMM64, sizeof MOV_RAX_IMM64);
    PutLittleEndian(out, target, 8);
    Append(out + 8, JMP_RAX, sizeof JMP_RAX);
}

#else

// x86: the stub loads the object into ECX and jumps; fastcall takes its first two
// arguments from ECX and EDX (unused here) and the rest from the stack, which it pops on
// return exactly as the platform's stdcall caller expects.
LRESULT __fastcall HookEntry(ExtMessageBox* object, void*, int code, WPARAM wParam, LPARAM lParam)
{
    return object->HookProc(code, wParam, lParam);
}

LRESULT __fastcall BoxEntry(ExtMessageBox* object, void*, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return object->BoxProc(window, message, wParam, lParam);
}

#endif

}  // namespace

void EncodeThunk32(BYTE* out, UINT32 stubAddress, UINT32 object, UINT32 target)
{
    const BYTE MOV_ECX_IMM32 = 0xB9;
    const BYTE JMP_REL32 = 0xE9;
    out[0] = MOV_ECX_IMM32;
    PutLittleEndian(out + 1, object, 4);
    out[5] = JMP_REL32;
    PutLittleEndian(out + 6, target - (stubAddress + static_cast<UINT32>(THUNK32_SIZE)), 4);
}

BYTE* AllocateThunk()
{
    return static_cast<BYTE*>(
        VirtualAlloc(nullptr, THUNK_BLOCK_SIZE, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
}

void FreeThunk(BYTE*& thunk)
{
    if (!thunk)
        return;
    VirtualFree(thunk, 0, MEM_RELEASE);
    thunk = nullptr;
}

void AimThunk(BYTE* thunk, ExtMessageBox* object, ThunkTarget target)
{
    const bool toHook = target == ThunkTarget::HookProc;
    const UINT_PTR entry = toHook ? reinterpret_cast<UINT_PTR>(&HookEntry) : reinterpret_cast<UINT_PTR>(&BoxEntry);
#ifdef _WIN64
    EncodeThunk64(thunk, toHook, reinterpret_cast<UINT64>(object), entry);
#else
    EncodeThunk32(thunk, reinterpret_cast<UINT32>(thunk), reinterpret_cast<UINT32>(object), entry);
#endif
    FlushInstructionCache(GetCurrentProcess(), thunk, THUNK_BLOCK_SIZE);
}
