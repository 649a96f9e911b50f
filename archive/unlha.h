// The archiver library's five entry points, with the archiver's contract.
// Decoding comes from liblhasa.
#pragma once
#include "platform/win32.h"

extern "C" {

// Nonzero only while another archiver command of this process is under way.
BOOL UnlhaGetRunning();
// Version in hundredths; at least 26.
WORD UnlhaGetVersion();
BOOL UnlhaSetCursorMode(BOOL mode);
BOOL UnlhaSetBackGroundMode(BOOL mode);
// Runs "l <archive>" or "e <archive> <name>". Returns 0 on success. Never
// writes past size bytes and leaves NUL-terminated text: the listing, or on
// failure a short Japanese explanation in CP932.
int Unlha(HWND window, const char* commandLine, char* output, DWORD size);

}
