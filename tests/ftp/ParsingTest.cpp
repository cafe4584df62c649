// Pure parts of the FTP logic: passive replies, features, listings,
// greetings, XAUT, and the one-time passwords with their hashes.
#include <gtest/gtest.h>

#include <tuple>

#include "FtpParsing.h"
#include "OtpHash.h"
#include "TestUtil.h"

namespace vd::ftp::test {
namespace {

TEST(PassiveReply, Forms) {
    struct TCase {
        const char* Line;
        std::string Address;
        int Port;  // -1: error
        const char* Error;
    };
    const TCase cases[] = {
        {"Entering Passive Mode (127,0,0,1,4,51)", "127.0.0.1", 4 * 256 + 51, ""},
        {"Entering passive mode. 127,0,0,1,4,51", "127.0.0.1", 1075, ""},
        {"=10,0,0,5,195,80", "10.0.0.5", 50000, ""},
        {"Entering Passive Mode (10,0,0,5,195,80", "10.0.0.5", 50000, ""},
        {"Entering Passive Mode ( 10,0,0,5, 195 , 80 ).", "10.0.0.5", 50000, ""},
        // Out-of-range fields wrap to 16 bits, so signed-byte servers work.
        {"Entering Passive Mode (1,2,3,4,-61,80)", "1.2.3.4", 195 * 256 + 80, ""},
        {"Entering Passive Mode (1,2,3,4,451,80)", "1.2.3.4", 195 * 256 + 80, ""},
        {"Entering Passive Mode (1,2,3,4,195,336)", "1.2.3.4", 195 * 256 + 80, ""},
        {"Entering Passive Mode (1,2,3,4,0,0)", "1.2.3.4", 0, ""},
        {"Entering Passive Mode (1,2,3,4,x9,80)", "", -1, "'x9' ist kein gültiger Integerwert"},
        {"Entering Passive Mode (1,2,3,4,5)", "", -1,
         "Ungültige Antwort auf PASV: Entering Passive Mode (1,2,3,4,5)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        TPassiveEndpoint endpoint;
        const TOutcome outcome = Classify([&] { endpoint = ParsePassiveReply(c.Line); });
        EXPECT_EQ(outcome.Message, c.Error);
        if (c.Port < 0) continue;
        EXPECT_EQ(endpoint.Address, c.Address);
        EXPECT_EQ(endpoint.Port, c.Port);
    }
}

TEST(PassiveReply, PrivateAddresses) {
    for (const char* a :
         {"127.0.0.1", "10.1.2.3", "169.254.1.1", "192.168.0.9", "172.16.0.1", "172.31.9.9"})
        EXPECT_TRUE(IsPrivateAddress(a)) << a;
    for (const char* a : {"203.0.113.7", "172.15.0.1", "172.32.0.1", "11.0.0.1", "192.169.0.1"})
        EXPECT_FALSE(IsPrivateAddress(a)) << a;
}

TEST(Features, ExtensionsAndSiteFacts) {
    const std::vector<std::string> caps = {"UTF8", " \tclnt", "MLST type*;size*;",
                                           "SITE PSWD;SET;ZONE;CHMOD", "REST STREAM"};
    EXPECT_TRUE(IsExtSupportedIn(caps, "utf8"));
    EXPECT_TRUE(IsExtSupportedIn(caps, "CLNT"));
    EXPECT_TRUE(IsExtSupportedIn(caps, "REST"));
    EXPECT_FALSE(IsExtSupportedIn(caps, "PRET"));
    EXPECT_FALSE(IsExtSupportedIn(caps, "STREAM"));
    EXPECT_TRUE(SiteFeatureListsFact(caps, "zone"));
    EXPECT_FALSE(SiteFeatureListsFact(caps, "UTIME"));
    EXPECT_FALSE(SiteFeatureListsFact({"SITE"}, "ZONE"));
}

TEST(Listing, LinesOfAnNlstReply) {
    struct TCase {
        std::string Bytes;
        std::vector<std::string> Lines;
    };
    const TCase cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\n", {"a", "", "b"}},
        {" spaced name \r\n/dir/path\r\n", {" spaced name ", "/dir/path"}},
        {std::string("a\r\nb\0c\r\nd\r\n", 11), {"a", "b"}},
        // UTF-8 like the control connection; a Latin-1 byte reads as U+FFFD.
        {"\xC3\xA4\r\n\xE6\x97\xA5.txt\r\n", {"\xC3\xA4", "\xE6\x97\xA5.txt"}},
        {"Gr\xFC\xDF"
         "e.txt\r\n",
         {"Gr\xEF\xBF\xBD\xEF\xBF\xBD"
          "e.txt"}},
        {"cut \xE6\x97\r\nnext", {"cut \xEF\xBF\xBD\xEF\xBF\xBD", "next"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitListing(c.Bytes), c.Lines) << c.Bytes;
}

// Which refusals mean "encrypted data connections only".
TEST(DataProtection, RefusalsThatDemandEncryptedData) {
    const std::tuple<int, const char*, bool> cases[] = {
        {522, "Data connections must be encrypted.", true},
        {550, "SSL/TLS required on the data channel.", true},
        {521, "Data connection cannot be opened with this PROT setting.", true},
        {534, "Unwilling to accept security parameters", true},
        {425, "TLS required", true},
        {425, "Data channel must be encrypted", true},
        {425, "Use PROT P first", true},
        {425, "Can't open data connection.", false},
        {425, "Use PORT or PASV first.", false},
        {550, "Permission denied.", false},
        {451, "TLS session lost", false},
        {530, "Please login with USER and PASS.", false},
    };
    for (const auto& [code, text, demands] : cases)
        EXPECT_EQ(RefusesClearData(code, text), demands) << code << " " << text;
}

// RFC 854: IAC in the data of a Telnet line goes twice.
TEST(TelnetLine, IACIsDoubled) {
    EXPECT_EQ(DoubleIAC("a\xFF"
                        "b\xFF\xFF"),
              "a\xFF\xFF"
              "b\xFF\xFF\xFF\xFF");
    EXPECT_EQ(DoubleIAC("STOR \xC3\xBF"), "STOR \xC3\xBF");  // U+00FF in UTF-8 holds no IAC
}

TEST(Greeting, FirstBracketedNumber) {
    EXPECT_EQ(FirstBracketedNumber("WS_FTP Server 8.6 (2835298470)"), 2835298470u);
    EXPECT_EQ(FirstBracketedNumber("x (12) (34)"), 12u);
    EXPECT_EQ(FirstBracketedNumber("x (v8.6) (34)"), std::nullopt);
    EXPECT_EQ(FirstBracketedNumber("x (99999999999)"), std::nullopt);
    EXPECT_EQ(FirstBracketedNumber("no brackets"), std::nullopt);
}

TEST(XAut, ScrambledCredentialsDecodeBack) {
    const std::string credentials = "user:p\xC3\xA4ss";  // UTF-8, as sent
    const uint32_t number = 0x11223344;
    const std::string wire = XAutCredentials(credentials, number);
    ASSERT_EQ(wire.size(), credentials.size() * 2);
    for (size_t i = 0; i < credentials.size(); ++i) {
        const int high = wire[2 * i] - 53, low = wire[2 * i + 1] - 49;
        ASSERT_TRUE(high >= 0 && high < 16 && low >= 0 && low < 16);
        const auto scrambled = static_cast<uint8_t>(high << 4 | low);
        const auto plain =
            static_cast<uint8_t>(scrambled ^ kXAutKey[i % 4] ^ (number >> (8 * (i % 4))));
        EXPECT_EQ(plain, static_cast<uint8_t>(credentials[i])) << i;
    }
}

std::string Hex(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

TEST(Hashes, KnownDigests) {
    const std::string million(1000000, 'a');
    // RFC 1320, RFC 1321 and FIPS 180-1 test suites.
    EXPECT_EQ(Hex(Md4("").data(), 16), "31d6cfe0d16ae931b73c59d7e0c089c0");
    EXPECT_EQ(Hex(Md4("abc").data(), 16), "a448017aaf21d8525fc10ae87aa6729d");
    EXPECT_EQ(
        Hex(Md4("12345678901234567890123456789012345678901234567890123456789012345678901234567890")
                .data(),
            16),
        "e33b4ddc9c38f2199c3e7b164fcc0536");
    EXPECT_EQ(Hex(Md5("").data(), 16), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex(Md5("message digest").data(), 16), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Hex(Sha1("abc").data(), 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Hex(Sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq").data(), 20),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Hex(Sha1(million).data(), 20), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(OneTimePassword, Rfc2289Vectors) {
    // RFC 2289, Appendix C.
    struct TCase {
        TOtpAlgorithm Algorithm;
        const char* PassPhrase;
        const char* Seed;
        int Count;
        const char* Hex;
        const char* Words;
    };
    const TCase cases[] = {
        {TOtpAlgorithm::otpMD4, "This is a test.", "TeSt", 0, "d1854218ebbb0b51",
         "ROME MUG FRED SCAN LIVE LACE"},
        {TOtpAlgorithm::otpMD4, "This is a test.", "TeSt", 1, "63473ef01cd0b444",
         "CARD SAD MINI RYE COL KIN"},
        {TOtpAlgorithm::otpMD4, "AbCdEfGhIjK", "alpha1", 0, "50076f47eb1ade4e",
         "AWAY SEN ROOK SALT LICE MAP"},
        {TOtpAlgorithm::otpMD5, "This is a test.", "TeSt", 0, "9e876134d90499dd",
         "INCH SEA ANNE LONG AHEM TOUR"},
        {TOtpAlgorithm::otpMD5, "This is a test.", "TeSt", 1, "7965e05436f5029f",
         "EASE OIL FUM CURE AWRY AVIS"},
        {TOtpAlgorithm::otpSHA1, "This is a test.", "TeSt", 0, "bb9e6ae1979d8ff4",
         "MILT VARY MAST OK SEES WENT"},
        {TOtpAlgorithm::otpSHA1, "This is a test.", "TeSt", 1, "63d936639734385b",
         "CART OTTO HIVE ODE VAT NUT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Words);
        std::string seed = c.Seed;
        for (char& ch : seed) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        auto value = OtpFoldedHash(c.Algorithm, seed + c.PassPhrase);
        for (int i = 0; i < c.Count; ++i)
            value = OtpFoldedHash(c.Algorithm,
                                  std::string(reinterpret_cast<const char*>(value.data()), 8));
        EXPECT_EQ(Hex(value.data(), 8), c.Hex);
        EXPECT_EQ(OtpResponse({c.Algorithm, c.Count, c.Seed}, c.PassPhrase), c.Words);
    }
}

TEST(OneTimePassword, ChallengeInAReply) {
    const auto md5 = FindOtpChallenge("Response to otp-md5 499 ke1234 required for skey.");
    ASSERT_TRUE(md5);
    EXPECT_EQ(md5->Algorithm, TOtpAlgorithm::otpMD5);
    EXPECT_EQ(md5->Sequence, 499);
    EXPECT_EQ(md5->Seed, "ke1234");
    const auto sha = FindOtpChallenge("331 otp-sha1 7 Seed9");
    ASSERT_TRUE(sha);
    EXPECT_EQ(sha->Algorithm, TOtpAlgorithm::otpSHA1);
    EXPECT_EQ(sha->Seed, "Seed9");
    EXPECT_FALSE(FindOtpChallenge("Password required for otp-md5."));
    EXPECT_FALSE(FindOtpChallenge("OTP-MD5 499 ke1234"));
    EXPECT_FALSE(FindOtpChallenge("otp-sha256 499 ke1234"));
}

}  // namespace
}  // namespace vd::ftp::test
