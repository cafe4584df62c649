#pragma once
// The little metadata a shrunk copy keeps: the EXIF orientation, so that the
// picture still stands upright, and nothing else of the EXIF block (a GPS
// position, the camera, the time), since the copy goes to a public link.

#include <cstdint>
#include <string>
#include <string_view>

namespace vd::app {

/// The orientation (1 to 8) in an APP1 EXIF segment's payload ("Exif\0\0"
/// and a TIFF structure, either byte order); 0 when there is none or the
/// segment is damaged.
int ExifOrientation(std::string_view App1Payload);

/// An APP1 payload that holds the orientation and nothing else.
std::string OrientationOnlyExif(int Orientation);

}  // namespace vd::app
