#include "platform/Utf8.h"

namespace vd::platform {
namespace {

constexpr bool IsSurrogate(char32_t Cp) { return Cp >= 0xD800 && Cp <= 0xDFFF; }

// The length of the multi-byte sequence a lead byte starts, and the smallest
// code point that needs that length (anything below it is an overlong form);
// 0 for a byte that starts none. C0, C1 and F5..F7 pass here and fail the
// range checks after decoding.
struct TLead {
    int Length;
    char32_t Minimum;
};

constexpr TLead LeadOf(unsigned char Byte) {
    if ((Byte & 0xE0) == 0xC0) return {2, 0x80};
    if ((Byte & 0xF0) == 0xE0) return {3, 0x800};
    if ((Byte & 0xF8) == 0xF0) return {4, 0x10000};
    return {0, 0};
}

}  // namespace

std::optional<char32_t> DecodeUtf8(std::string_view Text, std::size_t& Pos) {
    const auto lead = static_cast<unsigned char>(Text[Pos]);
    if (lead < 0x80) {
        ++Pos;
        return lead;
    }
    const TLead form = LeadOf(lead);
    const auto length = static_cast<std::size_t>(form.Length);
    if (length == 0 || length > Text.size() - Pos) {
        ++Pos;
        return std::nullopt;
    }
    char32_t cp = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(Text[Pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++Pos;
            return std::nullopt;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < form.Minimum || cp > 0x10FFFF || IsSurrogate(cp)) {
        ++Pos;
        return std::nullopt;
    }
    Pos += length;
    return cp;
}

void AppendUtf8(std::string& Out, char32_t Cp) {
    if (Cp > 0x10FFFF || IsSurrogate(Cp)) Cp = kReplacementCharacter;
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

std::string ToValidUtf8(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t pos = 0; pos < Text.size();) {
        const std::size_t start = pos;
        if (DecodeUtf8(Text, pos))
            out.append(Text.substr(start, pos - start));
        else
            AppendUtf8(out, kReplacementCharacter);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view Text) {
    std::u16string out;
    out.reserve(Text.size());
    for (std::size_t pos = 0; pos < Text.size();) {
        const char32_t cp = DecodeUtf8(Text, pos).value_or(kReplacementCharacter);
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
        }
        AppendUtf8(out, cp);  // a lone surrogate becomes U+FFFD
    }
    return out;
}

std::string_view Utf8PrefixOfUtf16Units(std::string_view Text, std::size_t MaxUnits) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < Text.size()) {
        std::size_t next = pos;
        const char32_t cp = DecodeUtf8(Text, next).value_or(kReplacementCharacter);
        const std::size_t width = cp >= 0x10000 ? 2 : 1;
        if (units + width > MaxUnits) break;
        units += width;
        pos = next;
    }
    return Text.substr(0, pos);
}

}  // namespace vd::platform
