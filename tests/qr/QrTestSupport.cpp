#include "QrTestSupport.h"

#include <zbar.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace vd::qr::test {

Bytes Hex(std::string_view text) {
    Bytes bytes;
    std::istringstream in{std::string(text)};
    unsigned value = 0;
    while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

std::string ToHex(const Bytes& bytes) {
    std::string text;
    char buffer[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        text += buffer;
    }
    if (!text.empty()) text.pop_back();
    return text;
}

Bytes BytesOf(const TBitArray& bits) {
    Bytes bytes(static_cast<std::size_t>(bits.GetSize() / 8));
    bits.ToBytes(0, bytes, 0, static_cast<int>(bytes.size()));
    return bytes;
}

Bytes Utf8Bytes(std::u8string_view text) { return Bytes(text.begin(), text.end()); }

const LevelCase& Level(char letter) {
    for (const LevelCase& c : kLevels)
        if (c.letter == letter) return c;
    throw std::invalid_argument(std::string("no level ") + letter);
}

int DataCodewords(int version, char level) {
    // clang-format off
    static const int kData[4][40] = {
        {  19,   34,   55,   80,  108,  136,  156,  194,  232,  274,    // L
          324,  370,  428,  461,  523,  589,  647,  721,  795,  861,
          932, 1006, 1094, 1174, 1276, 1370, 1468, 1531, 1631, 1735,
         1843, 1955, 2071, 2191, 2306, 2434, 2566, 2702, 2812, 2956},
        {  16,   28,   44,   64,   86,  108,  124,  154,  182,  216,    // M
          254,  290,  334,  365,  415,  453,  507,  563,  627,  669,
          714,  782,  860,  914, 1000, 1062, 1128, 1193, 1267, 1373,
         1455, 1541, 1631, 1725, 1812, 1914, 1992, 2102, 2216, 2334},
        {  13,   22,   34,   48,   62,   76,   88,  110,  132,  154,    // Q
          180,  206,  244,  261,  295,  325,  367,  397,  445,  485,
          512,  568,  614,  664,  718,  754,  808,  871,  911,  985,
         1033, 1115, 1171, 1231, 1286, 1354, 1426, 1502, 1582, 1666},
        {   9,   16,   26,   36,   46,   60,   66,   86,  100,  122,    // H
          140,  158,  180,  197,  223,  253,  283,  313,  341,  385,
          406,  442,  464,  514,  538,  596,  628,  661,  701,  745,
          793,  845,  901,  961,  986, 1054, 1096, 1142, 1222, 1276},
    };
    // clang-format on
    // Rows in the order of the letters, not through the level objects: this
    // table checks them.
    const std::size_t row = std::string_view("LMQH").find(level);
    if (row == std::string_view::npos)
        throw std::invalid_argument(std::string("no level ") + level);
    return kData[row][version - 1];
}

namespace {

int CountBits(Kind kind, int version) {
    const int range = version <= 9 ? 0 : version <= 26 ? 1 : 2;
    static const int kWidths[3][3] = {{10, 12, 14}, {9, 11, 13}, {8, 16, 16}};
    return kWidths[static_cast<int>(kind)][range];
}

int DataBits(Kind kind, int n) {
    switch (kind) {
        case Kind::Numeric:
            return 10 * (n / 3) + (n % 3 == 0 ? 0 : n % 3 == 1 ? 4 : 7);
        case Kind::Alphanumeric:
            return 11 * (n / 2) + 6 * (n % 2);
        default:
            return 8 * n;
    }
}

}  // namespace

int MaxLength(Kind kind, int version, char level) {
    const int capacity = 8 * DataCodewords(version, level);
    const int header = 4 + CountBits(kind, version);
    int n = 0;
    while (header + DataBits(kind, n + 1) <= capacity) ++n;
    return n;
}

int SlowMultiply(int a, int b) {
    int product = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1) product ^= a;
        a <<= 1;
        if (a & 0x100) a ^= 0x11D;
    }
    return product;
}

namespace {

// (x - a^0)(x - a^1)...(x - a^(degree-1)), highest degree first.
std::vector<int> TextbookGenerator(int degree) {
    std::vector<int> g{1};
    int root = 1;
    for (int i = 0; i < degree; ++i) {
        std::vector<int> next(g.size() + 1, 0);
        for (std::size_t j = 0; j < g.size(); ++j) {
            next[j] ^= g[j];
            next[j + 1] ^= SlowMultiply(g[j], root);
        }
        g = next;
        root = SlowMultiply(root, 2);
    }
    return g;
}

}  // namespace

// data(x) * x^degree mod g(x), by long division.
std::vector<int> TextbookRemainder(const std::vector<int>& data, int degree) {
    const std::vector<int> g = TextbookGenerator(degree);
    std::vector<int> buffer(data);
    buffer.resize(data.size() + static_cast<std::size_t>(degree), 0);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const int coefficient = buffer[i];
        for (std::size_t j = 0; j < g.size() && coefficient != 0; ++j)
            buffer[i + j] ^= SlowMultiply(g[j], coefficient);
    }
    return std::vector<int>(buffer.end() - degree, buffer.end());
}

namespace {

// Grey pixels, one byte each: black modules 0, the rest 255.
template <typename IsBlack>
Bytes Render(int modules, int scale, IsBlack isBlack) {
    const int side = modules * scale;
    Bytes pixels(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0xFF);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (isBlack(y / scale, x / scale))
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(side) +
                       static_cast<std::size_t>(x)] = 0;
    return pixels;
}

struct TScannerDeleter {
    void operator()(zbar::zbar_image_scanner_t* s) const { zbar::zbar_image_scanner_destroy(s); }
};
struct TImageDeleter {
    void operator()(zbar::zbar_image_t* i) const { zbar::zbar_image_destroy(i); }
};

std::optional<std::string> DecodePixels(const Bytes& pixels, unsigned side) {
    std::unique_ptr<zbar::zbar_image_scanner_t, TScannerDeleter> scanner(
        zbar::zbar_image_scanner_create());
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    // Raw bytes: without this zbar guesses a character set (UTF-8 read as
    // Shift-JIS) and converts.
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_BINARY, 1);
    std::unique_ptr<zbar::zbar_image_t, TImageDeleter> image(zbar::zbar_image_create());
    zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(image.get(), side, side);
    zbar::zbar_image_set_data(image.get(), pixels.data(), pixels.size(), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), image.get()) != 1) return std::nullopt;
    const zbar::zbar_symbol_t* found = zbar::zbar_image_first_symbol(image.get());
    return std::string(zbar::zbar_symbol_get_data(found), zbar::zbar_symbol_get_data_length(found));
}

}  // namespace

std::optional<std::string> DecodeWithZbar(const TQRCodeSymbol& symbol, int Scale) {
    const Bytes pixels = Render(symbol.Rows(), Scale, [&symbol](int row, int column) {
        return symbol.IsBlack(row, column);
    });
    return DecodePixels(pixels, static_cast<unsigned>(symbol.Rows() * Scale));
}

std::optional<std::string> DecodeMatrixWithZbar(const TByteMatrix& matrix, int Scale) {
    const int size = matrix.Width();
    const Bytes pixels = Render(size + 8, Scale, [&matrix, size](int row, int column) {
        const int y = row - 4;
        const int x = column - 4;
        return x >= 0 && y >= 0 && x < size && y < size && matrix.Get(x, y) == 1;
    });
    return DecodePixels(pixels, static_cast<unsigned>((size + 8) * Scale));
}

int FormatWordOf(const TQRCodeSymbol& symbol, int Copy) {
    const int quietZone = symbol.QuietZone();
    const int size = symbol.Rows() - 2 * quietZone;
    // Row and column of format bit i (0 = least significant) in the symbol
    // without its quiet zone.
    const auto position = [Copy, size](int i) -> std::pair<int, int> {
        if (Copy == 1) return i < 8 ? std::pair{8, size - 1 - i} : std::pair{size - 15 + i, 8};
        if (i < 6) return {i, 8};
        if (i < 8) return {i + 1, 8};  // around the timing pattern in row 6
        if (i == 8) return {8, 7};
        return {8, 14 - i};
    };
    int word = 0;
    for (int i = 14; i >= 0; --i) {
        const auto [row, column] = position(i);
        word = (word << 1) | (symbol.IsBlack(quietZone + row, quietZone + column) ? 1 : 0);
    }
    return word;
}

}  // namespace vd::qr::test
