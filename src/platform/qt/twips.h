// Conversion between twips and the screen's pixels.
#pragma once

namespace tarvolin::platform::twips {

// Twips per pixel of the primary screen, from its logical dots per inch
// (15 at 96 dots per inch).
float PerPixel();
// Twips to whole pixels, rounded to the nearest.
int ToPixels(float twips);
float FromPixels(int pixels);

}  // namespace tarvolin::platform::twips
