#pragma once

#include <string>

namespace samples {

// The banner picture of the sample announcement, a PNG made here on first
// use: a blue band of SamplePictureWidth x SamplePictureHeight pixels with a
// white stripe across, so that a test can tell it on the screen.
inline constexpr int SamplePictureWidth = 96;
inline constexpr int SamplePictureHeight = 24;
inline constexpr unsigned char SamplePictureBlue[3] = {0x1e, 0x5a, 0xc8};

const std::string& samplePicture();

// A PNG of any size whose pixels are all one colour, for the hostile
// server's picture of impossible dimensions: its rows are never sent whole.
std::string pngHeader(unsigned width, unsigned height);

} // namespace samples
