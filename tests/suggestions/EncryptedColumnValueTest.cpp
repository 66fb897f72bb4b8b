#include "suggestions/EncryptedColumnValue.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Base64.h"
#include "base/Log.h"

namespace qm {
namespace {

// The key 00 01 02 ... 1f.
std::string testKey()
{
    std::string key;
    for (int i = 0; i < 32; ++i) {
        key.push_back(static_cast<char>(i));
    }
    return key;
}

// Boxes sealed by an independent AES-GCM implementation under testKey() with
// the nonce cafebabefacedbaddecaf888.
constexpr const char* kJonasBox = "yv66vvrO263eyviI4MzOR9k6KmMnZi2xHjPqUGCM0IloYH8su/kV25q4zQzK";
constexpr const char* kEmptyBox = "yv66vvrO263eyviIWwp343Fsx+hs9xsm3ufVpA==";
constexpr const char* kNotUtf8Box = "yv66vvrO263eyviIdV3BRDL5pUYfbH2lm3WtdLtqMlk=";  // plaintext ff fe 61 62

TEST(EncryptedColumnValueTest, OpensABoxSealedElsewhere)
{
    EXPECT_EQ(EncryptedColumnValue::open(testKey(), kJonasBox), "jonas@example.com");
    EXPECT_EQ(EncryptedColumnValue::open(testKey(), kEmptyBox), "");
    EXPECT_EQ(EncryptedColumnValue::open(testKey(), kNotUtf8Box), std::nullopt);
}

TEST(EncryptedColumnValueTest, LengthIs28PlusTheValueInBase64)
{
    std::string value;
    for (std::size_t n = 0; n <= 100; ++n) {
        const auto text = EncryptedColumnValue::seal(testKey(), value);
        ASSERT_TRUE(text) << n;
        EXPECT_EQ(Base64::decode(*text)->size(), 28 + n);
        EXPECT_EQ(text->size(), 4 * ((28 + n + 2) / 3)) << n;
        EXPECT_EQ(text->find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(EncryptedColumnValue::open(testKey(), *text), value);
        value.push_back(static_cast<char>('a' + n % 26));
    }
    EXPECT_EQ(EncryptedColumnValue::seal(testKey(), "")->size(), 40u);

    // Multi-byte characters count by their bytes.
    EXPECT_EQ(Base64::decode(*EncryptedColumnValue::seal(testKey(), "日本"))->size(), 28u + 6u);
}

TEST(EncryptedColumnValueTest, SameValueSealsDifferentlyEveryTime)
{
    const auto first = EncryptedColumnValue::seal(testKey(), "joan@example.com");
    const auto second = EncryptedColumnValue::seal(testKey(), "joan@example.com");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_NE(Base64::decode(*first)->substr(0, 12), Base64::decode(*second)->substr(0, 12));
}

TEST(EncryptedColumnValueTest, EveryAlteredByteReadsAsUnreadable)
{
    const std::string box = *Base64::decode(kJonasBox);
    for (std::size_t i = 0; i < box.size(); ++i) {
        std::string altered = box;
        altered[i] = static_cast<char>(altered[i] ^ 0x01);
        Log::Capture log;
        EXPECT_EQ(EncryptedColumnValue::open(testKey(), Base64::encode(altered)), std::nullopt) << i;
        EXPECT_TRUE(log.contains("❌ AES GCM Decryption failed: authenticationFailure")) << i;
    }
}

TEST(EncryptedColumnValueTest, FailuresGiveNothingAndSayWhyOnlyForBoxes)
{
    struct Case {
        const char* name;
        std::string key;
        std::string text;
        const char* message;  // nullptr: nothing printed
    };
    const std::string shortBox = Base64::encode(std::string(27, 'x'));
    const Case cases[] = {
        {"not Base64", testKey(), "not base64!", nullptr},
        {"white space inside", testKey(), std::string(kJonasBox).insert(8, " "), nullptr},
        {"line break at the end", testKey(), std::string(kJonasBox) + "\n", nullptr},
        {"missing padding", testKey(), std::string(kEmptyBox).substr(0, 38), nullptr},
        {"empty text", testKey(), "", "❌ AES GCM Decryption failed: incorrectParameterSize"},
        {"27-byte box", testKey(), shortBox, "❌ AES GCM Decryption failed: incorrectParameterSize"},
        {"another key", std::string(32, '\x7f'), kJonasBox,
         "❌ AES GCM Decryption failed: authenticationFailure"},
        {"key of 20 bytes", std::string(20, 'k'), kJonasBox, "❌ AES GCM Decryption failed: incorrectKeySize"},
        {"truncated tag", testKey(), Base64::encode(Base64::decode(kJonasBox)->substr(0, 40)),
         "❌ AES GCM Decryption failed: authenticationFailure"},
    };
    for (const auto& c : cases) {
        Log::Capture log;
        EXPECT_EQ(EncryptedColumnValue::open(c.key, c.text), std::nullopt) << c.name;
        if (c.message) {
            EXPECT_TRUE(log.contains(c.message)) << c.name;
        } else {
            EXPECT_TRUE(log.lines().empty()) << c.name;
        }
    }

    Log::Capture log;
    EXPECT_EQ(EncryptedColumnValue::seal(std::string(20, 'k'), "value"), std::nullopt);
    EXPECT_TRUE(log.contains("❌ AES GCM Encryption failed: incorrectKeySize"));
}

}  // namespace
}  // namespace qm
