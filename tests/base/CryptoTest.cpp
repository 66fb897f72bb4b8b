#include "base/AesGcm.h"
#include "base/Base64.h"
#include "base/Hkdf.h"
#include "base/SecureRandom.h"
#include "base/Sha256.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

std::string fromHex(std::string_view hex)
{
    auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    }
    return bytes;
}

std::string toHex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0f]);
    }
    return hex;
}

std::string byteRun(int first, int last)
{
    std::string bytes;
    for (int b = first; b <= last; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

// ---- AES-GCM -------------------------------------------------------------------------------------------

// Test cases from McGrew and Viega, "The Galois/Counter Mode of Operation (GCM)", with 96-bit IVs and no
// additional data (the only form the combined box uses).
struct GcmVector {
    const char* name;
    const char* key;
    const char* nonce;
    const char* plaintext;
    const char* ciphertext;
    const char* tag;
};

constexpr const char* kGcmPlaintext = "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
                                      "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b391aafd255";

const GcmVector kGcmVectors[] = {
    {"case3_aes128", "feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888", kGcmPlaintext,
     "42831ec2217774244b7221b784d0d49ce3aa212f2c02a4e035c17e2329aca12e"
     "21d514b25466931c7d8f6a5aac84aa051ba30b396a0aac973d58e091473f5985",
     "4d5c2af327cd64a62cf35abd2ba6fab4"},
    {"case9_aes192", "feffe9928665731c6d6a8f9467308308feffe9928665731c", "cafebabefacedbaddecaf888",
     kGcmPlaintext,
     "3980ca0b3c00e841eb06fac4872a2757859e1ceaa6efd984628593b40ca1e19c"
     "7d773d00c144c525ac619d18c84a3f4718e2448b2fe324d9ccda2710acade256",
     "9924a7c8587336bfb118024db8674a14"},
    {"case13_aes256_empty", "0000000000000000000000000000000000000000000000000000000000000000",
     "000000000000000000000000", "", "", "530f8afbc74536b9a963b4f1c4cb738b"},
    {"case14_aes256_one_block", "0000000000000000000000000000000000000000000000000000000000000000",
     "000000000000000000000000", "00000000000000000000000000000000", "cea7403d4d606b6e074ec5d3baf39d18",
     "d0d1c8a799996bf0265b98b5d48ab919"},
    {"case15_aes256_four_blocks", "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308",
     "cafebabefacedbaddecaf888", kGcmPlaintext,
     "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
     "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662898015ad",
     "b094dac5d93471bdec1a502270e3cc6c"},
};

void PrintTo(const GcmVector& v, std::ostream* os)
{
    *os << v.name;
}

class AesGcmKnownAnswer : public ::testing::TestWithParam<GcmVector> {};

TEST_P(AesGcmKnownAnswer, SealsToNonceCiphertextTagAndOpensBack)
{
    const GcmVector& v = GetParam();
    const std::string key = fromHex(v.key);
    std::error_code error = make_error_code(AesGcmError::underlyingCryptoFailure);

    const auto box = AesGcm::seal(key, fromHex(v.plaintext), fromHex(v.nonce), error);
    ASSERT_TRUE(box) << error.message();
    EXPECT_FALSE(error);
    EXPECT_EQ(toHex(*box), std::string(v.nonce) + v.ciphertext + v.tag);

    const auto opened = AesGcm::open(key, *box, error);
    ASSERT_TRUE(opened) << error.message();
    EXPECT_EQ(toHex(*opened), v.plaintext);
}

INSTANTIATE_TEST_SUITE_P(GcmSpec, AesGcmKnownAnswer, ::testing::ValuesIn(kGcmVectors),
                         [](const auto& info) { return std::string(info.param.name); });

const std::string kKey = fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");

TEST(AesGcmTest, FreshNonceEverySealAndBoxLengthIsNoncePlusTextPlusTag)
{
    std::error_code error;
    std::set<std::string> nonces;
    for (int i = 0; i < 16; ++i) {
        const auto box = AesGcm::seal(kKey, "jonas@example.com", error);
        ASSERT_TRUE(box) << error.message();
        EXPECT_EQ(box->size(), 12u + 17u + 16u);
        nonces.insert(box->substr(0, AesGcm::kNonceSize));
        EXPECT_EQ(AesGcm::open(kKey, *box, error), "jonas@example.com");
    }
    EXPECT_EQ(nonces.size(), 16u);
}

TEST(AesGcmTest, EmptyValueIsA28ByteBoxOf40Base64Characters)
{
    std::error_code error;
    const auto box = AesGcm::seal(kKey, "", error);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->size(), 28u);
    const std::string column = Base64::encode(*box);
    EXPECT_EQ(column.size(), 40u);
    const auto decoded = Base64::decode(column);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(AesGcm::open(kKey, *decoded, error), "");
    EXPECT_FALSE(error);
}

TEST(AesGcmTest, EveryAlteredByteFailsAuthenticationAndYieldsNoPlaintext)
{
    std::error_code error;
    const auto box = AesGcm::seal(kKey, "#ff8800", error);
    ASSERT_TRUE(box);
    for (std::size_t i = 0; i < box->size(); ++i) {
        std::string tampered = *box;
        tampered[i] = static_cast<char>(tampered[i] ^ 0x01);
        EXPECT_EQ(AesGcm::open(kKey, tampered, error), std::nullopt) << "byte " << i;
        EXPECT_EQ(error, AesGcmError::authenticationFailure) << "byte " << i;
    }
}

TEST(AesGcmTest, OpenFailuresNameTheirReason)
{
    std::error_code error;
    const auto box = AesGcm::seal(kKey, "secret", error);
    ASSERT_TRUE(box);
    std::string otherKey = kKey;
    otherKey[31] = static_cast<char>(otherKey[31] ^ 0x80);

    struct Case {
        const char* name;
        std::string key;
        std::string combined;
        AesGcmError expected;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"wrong key", otherKey, *box, AesGcmError::authenticationFailure, "authenticationFailure"},
        {"27 bytes", kKey, box->substr(0, 27), AesGcmError::incorrectParameterSize, "incorrectParameterSize"},
        {"empty box", kKey, "", AesGcmError::incorrectParameterSize, "incorrectParameterSize"},
        {"truncated tag", kKey, box->substr(0, box->size() - 1), AesGcmError::authenticationFailure,
         "authenticationFailure"},
        {"31-byte key", kKey.substr(0, 31), *box, AesGcmError::incorrectKeySize, "incorrectKeySize"},
        {"empty key", "", *box, AesGcmError::incorrectKeySize, "incorrectKeySize"},
        {"33-byte key", kKey + "x", *box, AesGcmError::incorrectKeySize, "incorrectKeySize"},
    };
    for (const auto& c : cases) {
        error.clear();
        EXPECT_EQ(AesGcm::open(c.key, c.combined, error), std::nullopt) << c.name;
        EXPECT_EQ(error, c.expected) << c.name;
        EXPECT_EQ(error.message(), c.message) << c.name;
    }
}

TEST(AesGcmTest, SealRefusesKeysAndNoncesOfTheWrongSize)
{
    std::error_code error;
    for (std::size_t size : {0u, 15u, 17u, 31u, 33u, 64u}) {
        EXPECT_EQ(AesGcm::seal(std::string(size, 'k'), "x", error), std::nullopt) << size;
        EXPECT_EQ(error, AesGcmError::incorrectKeySize) << size;
    }
    for (std::size_t size : {0u, 8u, 11u, 13u, 16u}) {
        EXPECT_EQ(AesGcm::seal(kKey, "x", std::string(size, 'n'), error), std::nullopt) << size;
        EXPECT_EQ(error, AesGcmError::incorrectParameterSize) << size;
    }
    // The 16- and 24-byte keys a secret store may hold are accepted as AES-128/192.
    for (std::size_t size : {16u, 24u}) {
        const std::string key(size, 'k');
        const auto box = AesGcm::seal(key, "value", error);
        ASSERT_TRUE(box) << size;
        EXPECT_EQ(AesGcm::open(key, *box, error), "value");
        EXPECT_EQ(AesGcm::open(kKey, *box, error), std::nullopt) << "a 32-byte key opens a 16/24-byte box";
    }
}

// ---- Base64 --------------------------------------------------------------------------------------------

TEST(Base64Test, Rfc4648VectorsEncodeAndDecode)
{
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(Base64::encode(bytes), text);
        EXPECT_EQ(Base64::decode(text), bytes) << text;
    }
}

TEST(Base64Test, EveryByteValueRoundTripsAtEveryPaddingLength)
{
    const std::string all = byteRun(0, 255);
    for (std::size_t length : {254u, 255u, 256u}) {
        const std::string bytes = all.substr(0, length) + std::string("\0\xff", 2);
        const std::string text = Base64::encode(bytes);
        EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        EXPECT_EQ(Base64::decode(text), bytes);
    }
}

TEST(Base64Test, DecodeRejectsAnythingButStrictStandardBase64)
{
    const char* invalid[] = {
        "Zg",              // padding left off
        "Zg=",             // padding short
        "Zm9vY",           // length 1 mod 4
        "Z===",            // three padding characters
        "Zg==Zg==",        // padding in the middle
        "=Zg=",            // padding first
        "Zm9v YmFy",       // white space inside
        "Zm9vYmFy\n",      // trailing line break
        " Zm9vYmFy",       // leading white space
        "Zm9-YmFy",        // URL-safe alphabet
        "Zm9_YmFy",        // URL-safe alphabet
        "Zm9vYm\xc3\xa9",  // non-ASCII
    };
    for (const char* text : invalid) {
        EXPECT_EQ(Base64::decode(text), std::nullopt) << '"' << text << '"';
    }
    EXPECT_EQ(Base64::decode(std::string("Zm9v\0mFy", 8)), std::nullopt) << "embedded NUL";
}

// ---- SHA-256 -------------------------------------------------------------------------------------------

TEST(Sha256Test, Fips180Vectors)
{
    const std::vector<std::pair<std::string, std::string>> vectors = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [message, digest] : vectors) {
        EXPECT_EQ(Sha256::hexDigest(message), digest) << message.size() << " bytes";
        EXPECT_EQ(Sha256::hash(message), fromHex(digest)) << message.size() << " bytes";
    }
}

// ---- HKDF ----------------------------------------------------------------------------------------------

TEST(HkdfTest, Rfc5869Sha256Cases)
{
    struct Case {
        std::string ikm, salt, info;
        std::size_t length;
        std::string okm;
    };
    const Case cases[] = {
        {std::string(22, '\x0b'), fromHex("000102030405060708090a0b0c"), fromHex("f0f1f2f3f4f5f6f7f8f9"), 42,
         "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865"},
        {byteRun(0x00, 0x4f), byteRun(0x60, 0xaf), byteRun(0xb0, 0xff), 82,
         "b11e398dc80327a1c8e7f78c596a49344f012eda2d4efad8a050cc4c19afa97c59045a99cac7827271cb41c65e590e09"
         "da3275600c2f09b8367793a9aca3db71cc30c58179ec3e87c14c01d5c1f3434f1d87"},
        {std::string(22, '\x0b'), "", "", 42,
         "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const auto okm = Hkdf::deriveSha256(c.ikm, c.salt, c.info, c.length);
        ASSERT_TRUE(okm) << "case " << i + 1;
        EXPECT_EQ(toHex(*okm), c.okm) << "case " << i + 1;
    }
}

TEST(HkdfTest, LengthBoundsAndEmptyKeyMaterial)
{
    EXPECT_EQ(Hkdf::deriveSha256("ikm", "salt", "info", 0), std::nullopt);
    EXPECT_EQ(Hkdf::deriveSha256("ikm", "salt", "info", Hkdf::kMaxLength + 1), std::nullopt);
    const auto longest = Hkdf::deriveSha256("ikm", "salt", "info", Hkdf::kMaxLength);
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->size(), Hkdf::kMaxLength);
    // Output is a prefix-stable stream: a shorter request is the start of a longer one.
    EXPECT_EQ(Hkdf::deriveSha256("ikm", "salt", "info", 32), longest->substr(0, 32));

    // An empty passphrase still derives a key, and a different one per salt.
    const auto a = Hkdf::deriveSha256("", std::string(16, 'a'), "quillmarker-sync-v2", 32);
    const auto b = Hkdf::deriveSha256("", std::string(16, 'b'), "quillmarker-sync-v2", 32);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), 32u);
    EXPECT_NE(*a, *b);
}

// ---- Secure random -------------------------------------------------------------------------------------

TEST(SecureRandomTest, GivesExactlyTheCountAskedForAndFreshBytes)
{
    EXPECT_EQ(SecureRandom::bytes(0), std::string());
    std::set<std::string> draws;
    for (int i = 0; i < 8; ++i) {
        const auto key = SecureRandom::bytes(32);
        ASSERT_TRUE(key);
        EXPECT_EQ(key->size(), 32u);
        draws.insert(*key);
    }
    EXPECT_EQ(draws.size(), 8u);
    // A large draw is not mostly zero bytes (a buffer left unfilled would be).
    const auto large = SecureRandom::bytes(1 << 16);
    ASSERT_TRUE(large);
    EXPECT_LT(std::count(large->begin(), large->end(), '\0'), (1 << 16) / 128);
}

}  // namespace
}  // namespace qm
