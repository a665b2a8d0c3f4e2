// The Windows program's entry point. The command line and the show command
// are not used; the exit code is always 0.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunProgram(instance);
}
