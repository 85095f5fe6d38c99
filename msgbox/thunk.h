// The code stub through which the platform calls a member of one ExtMessageBox.
#pragma once

#include <windows.h>

class ExtMessageBox;

// The 32-bit stub: B9 <object> (mov ecx, object), E9 <rel32> (jmp target), where rel32 is
// target minus the address just past the stub. Plain byte arithmetic, so both builds
// compile and test it.
const size_t THUNK32_SIZE = 10;
void EncodeThunk32(BYTE* out, UINT32 stubAddress, UINT32 object, UINT32 target);

// Where a stub sends the platform's call.
enum class ThunkTarget {
    HookProc,  // ExtMessageBox::HookProc (hook code, wParam, lParam)
    BoxProc,   // ExtMessageBox::BoxProc (window, message, wParam, lParam)
};

// An executable block for one stub, owned by the object that aims it; null on failure.
BYTE* AllocateThunk();
// Frees the block and nulls the pointer; a null pointer is left alone.
void FreeThunk(BYTE*& thunk);
// Writes the stub that carries object into target and flushes the instruction cache.
void AimThunk(BYTE* thunk, ExtMessageBox* object, ThunkTarget target);
