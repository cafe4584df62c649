#include "IdText.h"

#include <cctype>
#include <limits>

namespace vd::ftp {

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= 32) ++b;
    return std::string(s.substr(b));
}

static char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool StartsText(std::string_view prefix, std::string_view s) {
    return s.size() >= prefix.size() && SameText(prefix, s.substr(0, prefix.size()));
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AsciiUpper(c);
    return r;
}

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at s[i]; advances i; kInvalid for a bad byte.
char32_t NextCodePoint(std::string_view s, size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = (b0 >= 0xF0 && b0 <= 0xF4)  ? 4
              : (b0 >= 0xE0) && b0 < 0xF0 ? 3
              : (b0 >= 0xC2 && b0 < 0xE0) ? 2
                                          : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return kInvalid;
    }
    char32_t cp = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kInvalid;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    const char32_t minimum = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kInvalid;
    }
    i += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string EncodeText(std::string_view text, TIdTextEncoding encoding) {
    std::string out;
    out.reserve(text.size());
    const char32_t limit = encoding == TIdTextEncoding::enc7Bit ? 0x7F : 0xFF;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const char32_t cp = NextCodePoint(text, i);
        if (cp == kInvalid) {
            out += '?';
        } else if (encoding == TIdTextEncoding::encUTF8) {
            out.append(text.substr(start, i - start));
        } else {
            out += cp <= limit ? static_cast<char>(cp) : '?';
        }
    }
    return out;
}

std::string DecodeText(std::string_view bytes, TIdTextEncoding encoding) {
    std::string out;
    out.reserve(bytes.size());
    if (encoding == TIdTextEncoding::encUTF8) {
        for (size_t i = 0; i < bytes.size();) {
            const size_t start = i;
            const char32_t cp = NextCodePoint(bytes, i);
            if (cp == kInvalid)
                AppendUtf8(out, 0xFFFD);
            else
                out.append(bytes.substr(start, i - start));
        }
        return out;
    }
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (encoding == TIdTextEncoding::enc7Bit && b > 0x7F)
            out += '?';
        else
            AppendUtf8(out, b);
    }
    return out;
}

bool HasCtrlChars(std::string_view bytes) noexcept {
    return bytes.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool TryStrToInt(std::string_view s, int32_t& value) noexcept {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

}  // namespace vd::ftp
