// Entry of the program.
#include "app/main_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    return RunMainDialog(instance, previous, commandLine, showCommand);
}
