#include "DataSegment.h"

#include <algorithm>
#include <array>

#include "TQRCodeEncoding.h"

namespace vd::qr {

namespace {

constexpr int kAuto = static_cast<int>(TQRCodeEncoding::qrAuto);
constexpr int kNumeric = static_cast<int>(TQRCodeEncoding::qrNumeric);
constexpr int kAlphanumeric = static_cast<int>(TQRCodeEncoding::qrAlphanumeric);
constexpr int kISO88591 = static_cast<int>(TQRCodeEncoding::qrISO88591);
constexpr int kUTF8WithMark = static_cast<int>(TQRCodeEncoding::qrUTF8NoBOM);
constexpr int kUTF8Plain = static_cast<int>(TQRCodeEncoding::qrUTF8BOM);

constexpr std::array<int, 96> MakeAlphanumericTable() {
    std::array<int, 96> table{};
    for (int& v : table) v = -1;
    for (int i = 0; i < 10; ++i) table['0' + i] = i;
    for (int i = 0; i < 26; ++i) table['A' + i] = 10 + i;
    constexpr char kSymbols[] = " $%*+-./:";
    for (int i = 0; i < 9; ++i) table[static_cast<std::size_t>(kSymbols[i])] = 36 + i;
    return table;
}

constexpr std::array<int, 96> kAlphanumericTable = MakeAlphanumericTable();

bool IsDigit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }
bool IsAlphanumeric(char16_t ch) { return AlphanumericValue(ch) >= 0; }
bool IsLatin1(char16_t ch) { return ch <= 0xFF; }

bool IsHighSurrogate(char16_t ch) { return ch >= 0xD800 && ch <= 0xDBFF; }
bool IsLowSurrogate(char16_t ch) { return ch >= 0xDC00 && ch <= 0xDFFF; }

void AppendUtf8(char32_t cp, TByteArray& out) {
    auto byte = [&out](char32_t v) { out.push_back(static_cast<std::uint8_t>(v)); };
    if (cp < 0x80) {
        byte(cp);
    } else if (cp < 0x800) {
        byte(0xC0 | (cp >> 6));
        byte(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        byte(0xE0 | (cp >> 12));
        byte(0x80 | ((cp >> 6) & 0x3F));
        byte(0x80 | (cp & 0x3F));
    } else {
        byte(0xF0 | (cp >> 18));
        byte(0x80 | ((cp >> 12) & 0x3F));
        byte(0x80 | ((cp >> 6) & 0x3F));
        byte(0x80 | (cp & 0x3F));
    }
}

void AppendNumericData(const std::u16string& text, TBitArray& bits) {
    // Groups of three digits in 10 bits; a final pair in 7, a single in 4.
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, text.size() - i);
        unsigned value = 0;
        for (std::size_t j = 0; j < n; ++j) value = value * 10 + (text[i + j] - u'0');
        bits.AppendBits(value, static_cast<int>(3 * n + 1));
    }
}

bool AppendAlphanumericData(const std::u16string& text, TBitArray& bits) {
    // Pairs as 45 * a + b in 11 bits; a final single character in 6.
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int a = AlphanumericValue(text[i]);
        const int b = i + 1 < text.size() ? AlphanumericValue(text[i + 1]) : 0;
        if (a < 0 || b < 0) return false;
        if (i + 1 < text.size())
            bits.AppendBits(static_cast<unsigned>(a * 45 + b), 11);
        else
            bits.AppendBits(static_cast<unsigned>(a), 6);
    }
    return true;
}

}  // namespace

int AlphanumericValue(char16_t ch) noexcept {
    return ch < kAlphanumericTable.size() ? kAlphanumericTable[ch] : -1;
}

TByteArray Utf16ToUtf8(const std::u16string& text) {
    TByteArray out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i];
        if (IsHighSurrogate(ch) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(0x10000 + ((char32_t(ch) - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else if (IsHighSurrogate(ch) || IsLowSurrogate(ch)) {
            AppendUtf8(0xFFFD, out);
        } else {
            AppendUtf8(ch, out);
        }
    }
    return out;
}

TMode SelectMode(const std::u16string& Content, int& Encoding) {
    if (Encoding == kNumeric) return TMode::qmNumeric;
    if (Encoding == kAlphanumeric) return TMode::qmAlphanumeric;
    if (Encoding != kAuto) return TMode::qmByte;
    const auto all = [&Content](bool (*test)(char16_t)) {
        return !Content.empty() && std::all_of(Content.begin(), Content.end(), test);
    };
    if (all(IsDigit)) return TMode::qmNumeric;
    if (all(IsAlphanumeric)) return TMode::qmAlphanumeric;
    Encoding = all(IsLatin1) ? kISO88591 : kUTF8WithMark;
    return TMode::qmByte;
}

std::u16string FilterForMode(const std::u16string& Content, TMode mode, int Encoding) {
    bool (*keep)(char16_t) = nullptr;
    if (mode == TMode::qmNumeric) keep = IsDigit;
    if (mode == TMode::qmAlphanumeric) keep = IsAlphanumeric;
    if (mode == TMode::qmByte && Encoding == kISO88591) keep = IsLatin1;
    if (mode == TMode::qmByte && (Encoding == kUTF8WithMark || Encoding == kUTF8Plain))
        return Content;
    std::u16string kept;
    if (keep == nullptr) return kept;
    std::copy_if(Content.begin(), Content.end(), std::back_inserter(kept), keep);
    return kept;
}

TByteArray SegmentBytes(const std::u16string& text, int Encoding) {
    if (Encoding == kISO88591) {
        TByteArray bytes(text.size());
        std::transform(text.begin(), text.end(), bytes.begin(),
                       [](char16_t ch) { return static_cast<std::uint8_t>(ch & 0xFF); });
        return bytes;
    }
    if (Encoding == kUTF8Plain) return Utf16ToUtf8(text);
    if (Encoding != kUTF8WithMark) return {};
    TByteArray bytes{0xEF, 0xBB, 0xBF};
    const TByteArray utf8 = Utf16ToUtf8(text);
    bytes.insert(bytes.end(), utf8.begin(), utf8.end());
    return bytes;
}

bool AppendSegmentData(const std::u16string& text, TMode mode, TBitArray& bits, int Encoding) {
    if (mode == TMode::qmNumeric) {
        AppendNumericData(text, bits);
        return true;
    }
    if (mode == TMode::qmAlphanumeric) return AppendAlphanumericData(text, bits);
    for (std::uint8_t byte : SegmentBytes(text, Encoding)) bits.AppendBits(byte, 8);
    return true;
}

}  // namespace vd::qr
