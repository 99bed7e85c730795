// Entry point of the Windows show. It reads none of its arguments; its exit
// status is the show's: 0 after a normal end, 1 after a failed start.
#include <windows.h>

#include "intro.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return intro_main(); }
