#include "platform/Utf8.h"

#include <cstdint>

namespace vd::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one character at Text[Pos]; advances Pos past it. Invalid,
// overlong and surrogate encodings give U+FFFD and consume one byte.
char32_t DecodeOne(std::string_view Text, std::size_t& Pos) {
    const auto lead = static_cast<unsigned char>(Text[Pos]);
    if (lead < 0x80) {
        ++Pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++Pos;
        return kReplacement;
    }
    if (Pos + extra >= Text.size()) {  // truncated sequence
        ++Pos;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(Text[Pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++Pos;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++Pos;
        return kReplacement;
    }
    Pos += extra + 1;
    return cp;
}

void AppendUtf8(std::string& Out, char32_t Cp) {
    if (Cp < 0x80) {
        Out += static_cast<char>(Cp);
    } else if (Cp < 0x800) {
        Out += static_cast<char>(0xC0 | (Cp >> 6));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else if (Cp < 0x10000) {
        Out += static_cast<char>(0xE0 | (Cp >> 12));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Cp >> 18));
        Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view Text) {
    std::u16string out;
    out.reserve(Text.size());
    for (std::size_t pos = 0; pos < Text.size();) {
        const char32_t cp = DecodeOne(Text, pos);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        char32_t cp = Text[i];
        const bool high = cp >= 0xD800 && cp <= 0xDBFF;
        if (high && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string_view Utf8PrefixOfUtf16Units(std::string_view Text, std::size_t MaxUnits) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < Text.size()) {
        std::size_t next = pos;
        const char32_t cp = DecodeOne(Text, next);
        const std::size_t width = cp >= 0x10000 ? 2 : 1;
        if (units + width > MaxUnits) break;
        units += width;
        pos = next;
    }
    return Text.substr(0, pos);
}

}  // namespace vd::platform
