#include "QrTestSupport.h"

#include <zbar.h>

#include <cstdio>
#include <memory>
#include <sstream>

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

int DataCodewordsL(int version) {
    static const int kData[40] = {19,   34,   55,   80,   108,  136,  156,  194,  232,  274,
                                  324,  370,  428,  461,  523,  589,  647,  721,  795,  861,
                                  932,  1006, 1094, 1174, 1276, 1370, 1468, 1531, 1631, 1735,
                                  1843, 1955, 2071, 2191, 2306, 2434, 2566, 2702, 2812, 2956};
    return kData[version - 1];
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

int MaxLength(Kind kind, int version) {
    const int capacity = 8 * DataCodewordsL(version);
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

}  // namespace vd::qr::test
