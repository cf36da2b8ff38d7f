// Screenshots of windows under test, kept as artefacts: a PNG of the window's screen
// area, written to the folder named by MASKADDR_ARTIFACTS (a Unix path).
#pragma once

#include "platform/win32/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace maskaddr::test {

// The path written, or empty when no artefact folder is set or the capture failed.
std::string SaveScreenshot(HWND window, const std::string& name);
// The window's screen area as the screen shows it now; empty for an empty window.
TGdiBitmap CaptureWindow(HWND window, int& width, int& height);
// The same as 32-bit pixels, top row first; empty when the capture failed.
std::vector<RGBQUAD> CapturePixels(HWND window, int& width, int& height);

} // namespace maskaddr::test
