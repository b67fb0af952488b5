// The program's entry: a GUI-subsystem program with a UTF-16 entry point.

#include "Velkor/Velkor.h"
#include "platform/windows/Win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { Velkor::RunReport(); }
