#include "FtpParsing.h"

#include <algorithm>

#include "EIdException.h"
#include "platform/Utf8.h"

namespace vd::ftp {

namespace {

std::vector<std::string> SplitAt(std::string_view s, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find(separator, start);
        parts.emplace_back(
            s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

int32_t PortField(const std::string& field) {
    const std::string trimmed = Trim(field);
    int32_t value = 0;
    if (!TryStrToInt(trimmed, value))
        throw EConvertError("'" + trimmed + "' ist kein gültiger Integerwert");
    return value;
}

}  // namespace

TPassiveEndpoint ParsePassiveReply(std::string_view firstTextLine) {
    const std::string line = Trim(firstTextLine);
    size_t start = line.find('(');
    if (start == std::string::npos) {
        const size_t blank = line.rfind(' ');
        start = blank == std::string::npos ? 0 : blank + 1;
    } else {
        ++start;
    }
    size_t end = line.find(')');
    if (end == std::string::npos || end < start) end = line.size();
    const auto fields = SplitAt(std::string_view(line).substr(start, end - start), ',');
    if (fields.size() < 6) throw EIdFTPBadPassiveReply("Ungültige Antwort auf PASV: " + line);
    TPassiveEndpoint endpoint;
    // "=10,0,0,5,..." (no brackets): the address starts at the first digit.
    std::string first = Trim(fields[0]);
    first.erase(0, std::min(first.size(), first.find_first_of("0123456789")));
    endpoint.Address =
        first + "." + Trim(fields[1]) + "." + Trim(fields[2]) + "." + Trim(fields[3]);
    const int64_t high = PortField(fields[4]);
    const int64_t low = PortField(fields[5]) % 256;
    endpoint.Port = static_cast<uint16_t>(static_cast<uint64_t>(high * 256 + low) & 0xFFFF);
    return endpoint;
}

bool IsPrivateAddress(std::string_view a) {
    if (a.starts_with("127") || a.starts_with("10.") || a.starts_with("169.254") ||
        a.starts_with("192.168"))
        return true;
    if (!a.starts_with("172.")) return false;
    const size_t dot = a.find('.', 4);
    if (dot == std::string_view::npos) return false;
    int32_t second = 0;
    return TryStrToInt(a.substr(4, dot - 4), second) && second >= 16 && second <= 31;
}

static std::string FirstWord(std::string_view line) {
    const std::string t = TrimLeft(line);
    return t.substr(0, t.find(' '));
}

bool IsExtSupportedIn(const std::vector<std::string>& capabilities, std::string_view name) {
    for (const auto& line : capabilities)
        if (SameText(FirstWord(line), name)) return true;
    return false;
}

bool SiteFeatureListsFact(const std::vector<std::string>& capabilities, std::string_view fact) {
    for (const auto& line : capabilities) {
        const std::string t = TrimLeft(line);
        if (!SameText(FirstWord(t), "SITE")) continue;
        const size_t blank = t.find(' ');
        if (blank == std::string::npos) continue;
        for (const auto& f : SplitAt(std::string_view(t).substr(blank + 1), ';'))
            if (SameText(Trim(f), fact)) return true;
    }
    return false;
}

std::vector<std::string> SplitListing(std::string_view bytes) {
    const size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    const std::string text = platform::ToValidUtf8(bytes);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t br = text.find_first_of("\r\n", start);
        if (br == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, br - start));
        start = br + ((text[br] == '\r' && br + 1 < text.size() && text[br + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

bool RefusesClearData(int code, std::string_view text) {
    if (code == 521 || code == 522 || code == 534) return true;
    if (code != 425 && code != 550) return false;
    const std::string upper = UpperCase(text);
    for (const char* word : {"TLS", "SSL", "ENCRYPT", "PROT"})
        if (upper.find(word) != std::string::npos) return true;
    return false;
}

std::optional<uint32_t> FirstBracketedNumber(std::string_view text) {
    const size_t open = text.find('(');
    if (open == std::string_view::npos) return std::nullopt;
    const size_t close = text.find(')', open);
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view inner = text.substr(open + 1, close - open - 1);
    if (inner.empty() || inner.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (const char c : inner) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uint32_t>(v);
}

const uint8_t kXAutKey[4] = {0x56, 0x64, 0x46, 0x74};

std::string XAutCredentials(std::string_view credentialBytes, uint32_t serverNumber) {
    std::string out;
    out.reserve(credentialBytes.size() * 2);
    for (size_t i = 0; i < credentialBytes.size(); ++i) {
        auto b = static_cast<uint8_t>(credentialBytes[i]);
        b ^= kXAutKey[i % 4];
        b ^= static_cast<uint8_t>(serverNumber >> (8 * (i % 4)));
        out += static_cast<char>(53 + (b >> 4));
        out += static_cast<char>(49 + (b & 0x0F));
    }
    return out;
}

}  // namespace vd::ftp
