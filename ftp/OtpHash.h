// One-time passwords of RFC 2289 (S/KEY) and the three hashes they use:
// MD4 (RFC 1320), MD5 (RFC 1321) and SHA-1 (FIPS 180-1). Small in-tree
// functions: the TLS library is loaded only when TLS is switched on.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vd::ftp {

std::array<uint8_t, 16> Md4(std::string_view data);
std::array<uint8_t, 16> Md5(std::string_view data);
std::array<uint8_t, 20> Sha1(std::string_view data);

enum class TOtpAlgorithm { otpMD4, otpMD5, otpSHA1 };

struct TOtpChallenge {
    TOtpAlgorithm Algorithm = TOtpAlgorithm::otpMD5;
    int Sequence = 0;
    std::string Seed;
};

// Finds "otp-md4 ", "otp-md5 " or "otp-sha1 " followed by the sequence
// number and the seed, e.g. "331 Response to otp-md5 499 ke1234 required".
std::optional<TOtpChallenge> FindOtpChallenge(std::string_view text);

// Hash the input and fold it to 64 bits (RFC 2289, section 6).
std::array<uint8_t, 8> OtpFoldedHash(TOtpAlgorithm algorithm, std::string_view input);
// The 64-bit value as six words of the standard dictionary, with the
// two-bit checksum (RFC 2289, Appendix B).
std::string OtpSixWords(const std::array<uint8_t, 8>& value);
// The six-word response: seed (lower-cased) + pass phrase, hashed, then
// hashed sequence more times.
std::string OtpResponse(const TOtpChallenge& challenge, std::string_view passPhrase);

extern const std::array<const char*, 2048> kOtpStandardDictionary;

}  // namespace vd::ftp
