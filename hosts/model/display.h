// The model display's logical pixels per inch. A machine has one display setting for
// all its programs, so the model host has one for the process: window placement,
// font sizes in pixels, the platform's LOGPIXELSX/LOGPIXELSY and the twips per pixel
// the controls read all follow it.
#pragma once

namespace vitrelle::model {

inline constexpr int kStandardDpi = 96;
inline constexpr int kMinDpi = 48;
inline constexpr int kMaxDpi = 480;

int DisplayDpi();
float DisplayTwipsPerPixel();
// Throws std::invalid_argument outside kMinDpi..kMaxDpi, leaving the setting as it was.
void SetDisplayDpi(int dpi);

}  // namespace vitrelle::model
