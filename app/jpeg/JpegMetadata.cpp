#include "app/jpeg/JpegMetadata.h"

namespace vd::app {
namespace {

constexpr std::string_view kExifHeader("Exif\0\0", 6);
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

// Reads TIFF numbers in the block's own byte order; every read is checked
// against the block's end, since the bytes come from any file at all.
class TTiffReader final {
  public:
    explicit TTiffReader(std::string_view Tiff) : FTiff(Tiff) {}
    bool ReadOrder() {
        if (FTiff.size() < 8) return false;
        if (FTiff.substr(0, 2) == "II")
            FLittle = true;
        else if (FTiff.substr(0, 2) != "MM")
            return false;
        return U16(2) == 42;
    }
    std::uint32_t U16(std::size_t At) const {
        if (At + 2 > FTiff.size()) return 0xFFFFFFFF;
        const auto a = static_cast<unsigned char>(FTiff[At]);
        const auto b = static_cast<unsigned char>(FTiff[At + 1]);
        return FLittle ? a | (b << 8) : (a << 8) | b;
    }
    std::uint64_t U32(std::size_t At) const {
        const std::uint32_t high = U16(FLittle ? At + 2 : At);
        const std::uint32_t low = U16(FLittle ? At : At + 2);
        if (high == 0xFFFFFFFF || low == 0xFFFFFFFF) return ~0ull;
        return (std::uint64_t{high} << 16) | low;
    }
    std::size_t Size() const { return FTiff.size(); }

  private:
    std::string_view FTiff;
    bool FLittle = false;
};

void PutU16(std::string& Out, unsigned Value) {
    Out += static_cast<char>((Value >> 8) & 0xFF);
    Out += static_cast<char>(Value & 0xFF);
}

void PutU32(std::string& Out, unsigned long Value) {
    PutU16(Out, static_cast<unsigned>(Value >> 16));
    PutU16(Out, static_cast<unsigned>(Value & 0xFFFF));
}

}  // namespace

int ExifOrientation(std::string_view App1Payload) {
    if (App1Payload.substr(0, kExifHeader.size()) != kExifHeader) return 0;
    TTiffReader reader(App1Payload.substr(kExifHeader.size()));
    if (!reader.ReadOrder()) return 0;
    const std::uint64_t ifd = reader.U32(4);
    if (ifd + 2 > reader.Size()) return 0;
    const std::uint32_t entries = reader.U16(static_cast<std::size_t>(ifd));
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = ifd + 2 + 12ull * i;
        if (entry + 12 > reader.Size()) return 0;
        const auto at = static_cast<std::size_t>(entry);
        if (reader.U16(at) != kOrientationTag) continue;
        if (reader.U16(at + 2) != kShortType) return 0;
        const std::uint32_t value = reader.U16(at + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
    }
    return 0;
}

std::string OrientationOnlyExif(int Orientation) {
    std::string out(kExifHeader);
    out += "MM";
    PutU16(out, 42);
    PutU32(out, 8);  // the first directory follows the header
    PutU16(out, 1);  // one entry
    PutU16(out, kOrientationTag);
    PutU16(out, kShortType);
    PutU32(out, 1);  // one value, kept in the entry itself
    PutU16(out, static_cast<unsigned>(Orientation));
    PutU16(out, 0);  // padding of the value field
    PutU32(out, 0);  // no further directory
    return out;
}

}  // namespace vd::app
