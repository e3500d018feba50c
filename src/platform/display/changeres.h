// The display mode switch: the screen size at start, a switch to a given mode and the way
// back to that size when the program closes.
#pragma once

namespace galimo {

// Screen size recorded at start-up by InitChangeRes, before any window exists.
extern int SavedScreenWidth;
extern int SavedScreenHeight;

// Module start-up: records the screen size in force. Call it before creating any window.
void InitChangeRes();

// Switches the display to width x height at bitsPerPixel and keeps it as the user's setting.
// Returns the platform's result code (0 on success); a refused switch is not an error.
int SetDisplayMode(int width, int height, int bitsPerPixel);

// Switches back to the recorded size, at 16 bits per pixel.
int RestoreDisplayMode();

}  // namespace galimo
