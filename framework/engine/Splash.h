// The start-up picture's file and place: a distributor's "oem.splash.png" beside the
// program wins over the shipped "res\images\splash.png"; the picture is centred on the
// whole screen (not the work area).
#pragma once

#include <string>

namespace maskaddr {

class IFileSystem;

// The picture file to show from the folder (with trailing "\"); empty when neither exists.
std::string ChooseSplashPicture(IFileSystem& files, const std::string& folder);

// The left or top edge that centres a picture of that extent on a screen of that extent
// (the division rounds toward zero, so a picture larger than the screen starts left of it).
constexpr int CentredEdge(int screenExtent, int pictureExtent) {
    return (screenExtent - pictureExtent) / 2;
}

} // namespace maskaddr
