#include "OtpHash.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace vd::ftp {

namespace {

constexpr uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t LoadLE(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint32_t LoadBE(const uint8_t* p) {
    return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}
void StoreLE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void StoreBE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Message padding shared by the three: 0x80, zeros, the bit length as 64
// bits (little-endian for MD4/MD5, big-endian for SHA-1).
std::vector<uint8_t> Pad(std::string_view data, bool bigEndianLength) {
    std::vector<uint8_t> m(data.begin(), data.end());
    const uint64_t bits = uint64_t(data.size()) * 8;
    m.push_back(0x80);
    while (m.size() % 64 != 56) m.push_back(0);
    for (int i = 0; i < 8; ++i)
        m.push_back(static_cast<uint8_t>(bits >> (bigEndianLength ? 56 - 8 * i : 8 * i)));
    return m;
}

void Md4Block(uint32_t h[4], const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLE(block + 4 * i);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    auto f = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); };
    auto g = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (x & z) | (y & z); };
    auto hh = [](uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; };
    static constexpr int s1[4] = {3, 7, 11, 19}, s2[4] = {3, 5, 9, 13}, s3[4] = {3, 9, 11, 15};
    static constexpr int o2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
    static constexpr int o3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {  // round 1
        const uint32_t t = Rol(a + f(b, c, d) + x[i], s1[i % 4]);
        a = d;
        d = c;
        c = b;
        b = t;
    }
    for (int i = 0; i < 16; ++i) {  // round 2
        const uint32_t t = Rol(a + g(b, c, d) + x[o2[i]] + 0x5A827999u, s2[i % 4]);
        a = d;
        d = c;
        c = b;
        b = t;
    }
    for (int i = 0; i < 16; ++i) {  // round 3
        const uint32_t t = Rol(a + hh(b, c, d) + x[o3[i]] + 0x6ED9EBA1u, s3[i % 4]);
        a = d;
        d = c;
        c = b;
        b = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
}

void Md5Block(uint32_t h[4], const uint8_t* block) {
    static constexpr int s[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                  5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                  4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                  6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    static const auto k = [] {
        std::array<uint32_t, 64> t{};
        // K[i] = floor(abs(sin(i + 1)) * 2^32), RFC 1321 section 3.4.
        static constexpr uint32_t table[64] = {
            0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
            0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
            0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
            0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
            0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
            0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
            0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
            0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
            0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
            0xeb86d391};
        for (int i = 0; i < 64; ++i) t[i] = table[i];
        return t;
    }();
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLE(block + 4 * i);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t t = d;
        d = c;
        c = b;
        b = b + Rol(a + f + k[i] + x[g], s[i]);
        a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
}

void Sha1Block(uint32_t h[5], const uint8_t* block) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE(block + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = Rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t t = Rol(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = Rol(b, 30);
        b = a;
        a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

}  // namespace

std::array<uint8_t, 16> Md4(std::string_view data) {
    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    const auto m = Pad(data, false);
    for (size_t i = 0; i < m.size(); i += 64) Md4Block(h, m.data() + i);
    std::array<uint8_t, 16> out{};
    for (int i = 0; i < 4; ++i) StoreLE(out.data() + 4 * i, h[i]);
    return out;
}

std::array<uint8_t, 16> Md5(std::string_view data) {
    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    const auto m = Pad(data, false);
    for (size_t i = 0; i < m.size(); i += 64) Md5Block(h, m.data() + i);
    std::array<uint8_t, 16> out{};
    for (int i = 0; i < 4; ++i) StoreLE(out.data() + 4 * i, h[i]);
    return out;
}

std::array<uint8_t, 20> Sha1(std::string_view data) {
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto m = Pad(data, true);
    for (size_t i = 0; i < m.size(); i += 64) Sha1Block(h, m.data() + i);
    std::array<uint8_t, 20> out{};
    for (int i = 0; i < 5; ++i) StoreBE(out.data() + 4 * i, h[i]);
    return out;
}

std::optional<TOtpChallenge> FindOtpChallenge(std::string_view text) {
    static constexpr std::pair<std::string_view, TOtpAlgorithm> kNames[] = {
        {"otp-md4 ", TOtpAlgorithm::otpMD4},
        {"otp-md5 ", TOtpAlgorithm::otpMD5},
        {"otp-sha1 ", TOtpAlgorithm::otpSHA1}};
    for (const auto& [name, algorithm] : kNames) {
        const size_t at = text.find(name);
        if (at == std::string_view::npos) continue;
        size_t i = at + name.size();
        int sequence = 0;
        size_t digits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && digits < 9) {
            sequence = sequence * 10 + (text[i++] - '0');
            ++digits;
        }
        if (digits == 0 || i >= text.size() || text[i] != ' ') continue;
        ++i;
        const size_t seedEnd = text.find_first_of(" \t\r\n", i);
        std::string seed(text.substr(
            i, seedEnd == std::string_view::npos ? std::string_view::npos : seedEnd - i));
        if (seed.empty()) continue;
        return TOtpChallenge{algorithm, sequence, std::move(seed)};
    }
    return std::nullopt;
}

std::array<uint8_t, 8> OtpFoldedHash(TOtpAlgorithm algorithm, std::string_view input) {
    std::array<uint8_t, 8> out{};
    if (algorithm == TOtpAlgorithm::otpSHA1) {
        // RFC 2289, Appendix A: the five words are folded to two and written
        // out least significant byte first.
        const auto d = Sha1(input);
        uint32_t w[5];
        for (int i = 0; i < 5; ++i) w[i] = LoadBE(d.data() + 4 * i);
        w[0] ^= w[2];
        w[1] ^= w[3];
        w[0] ^= w[4];
        StoreLE(out.data(), w[0]);
        StoreLE(out.data() + 4, w[1]);
        return out;
    }
    const auto d = algorithm == TOtpAlgorithm::otpMD4 ? Md4(input) : Md5(input);
    for (int i = 0; i < 8; ++i) out[i] = d[i] ^ d[i + 8];
    return out;
}

std::string OtpSixWords(const std::array<uint8_t, 8>& value) {
    uint64_t v = 0;
    for (const uint8_t b : value) v = (v << 8) | b;
    unsigned parity = 0;
    for (int i = 0; i < 64; i += 2) parity += (v >> i) & 3;
    std::string words;
    for (int w = 0; w < 6; ++w) {
        // 66 bits: the value followed by the two checksum bits.
        const int first = w * 11;
        unsigned index = 0;
        for (int bit = first; bit < first + 11; ++bit) {
            const unsigned b = bit < 64 ? (v >> (63 - bit)) & 1 : (parity >> (65 - bit)) & 1;
            index = (index << 1) | b;
        }
        if (w) words += ' ';
        words += kOtpStandardDictionary[index];
    }
    return words;
}

std::string OtpResponse(const TOtpChallenge& challenge, std::string_view passPhrase) {
    std::string seed = challenge.Seed;
    for (char& c : seed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto value = OtpFoldedHash(challenge.Algorithm, seed + std::string(passPhrase));
    for (int i = 0; i < challenge.Sequence; ++i)
        value = OtpFoldedHash(
            challenge.Algorithm,
            std::string_view(reinterpret_cast<const char*>(value.data()), value.size()));
    return OtpSixWords(value);
}

}  // namespace vd::ftp
