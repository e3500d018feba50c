#include "gif/gifdrawoptions.h"

#include <atomic>

namespace galimo {

namespace {

std::atomic<bool> paletteDisplay{false};

}  // namespace

void SetPaletteDisplay(bool value) { paletteDisplay = value; }
bool PaletteDisplay() { return paletteDisplay; }

}  // namespace galimo
