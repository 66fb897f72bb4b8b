#include <gtest/gtest.h>

#include "capture/TypingContextCharacter.h"

namespace qm::test {
namespace {

using Kind = TypingContextCharacter::Kind;

struct CharacterCase {
    const char* typed;
    const char* character;
    Kind kind;
};

class TypingContextCharacterTest : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(TypingContextCharacterTest, FirstCharacterAndKind)
{
    const auto character = TypingContextCharacter::first(GetParam().typed);
    ASSERT_TRUE(character.has_value());
    EXPECT_EQ(character->text(), GetParam().character);
    EXPECT_EQ(character->kind(), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    TypingContext, TypingContextCharacterTest,
    ::testing::Values(CharacterCase{"a", "a", Kind::word}, CharacterCase{"Ж", "Ж", Kind::word},
                      CharacterCase{"7", "7", Kind::word}, CharacterCase{"½", "½", Kind::word},
                      CharacterCase{"'", "'", Kind::word},
                      // A letter with a combining accent is one character.
                      CharacterCase{"e\u0301x", "e\u0301", Kind::word},
                      CharacterCase{"\u2019", "\u2019", Kind::punctuation},
                      CharacterCase{",", ",", Kind::punctuation}, CharacterCase{"?!", "?", Kind::punctuation},
                      CharacterCase{"-", "-", Kind::punctuation}, CharacterCase{" ", " ", Kind::whitespace},
                      CharacterCase{"\t", "\t", Kind::whitespace},
                      CharacterCase{"\r", "\r", Kind::whitespace},
                      CharacterCase{"\u00A0", "\u00A0", Kind::whitespace},
                      CharacterCase{"+", "+", Kind::other}, CharacterCase{"\x7f", "\x7f", Kind::other},
                      CharacterCase{"\U0001F600", "\U0001F600", Kind::other},
                      CharacterCase{"\U0001F44D\U0001F3FD", "\U0001F44D\U0001F3FD", Kind::other}));

TEST(TypingContextCharacterEmptyTest, EmptyTextHasNoCharacter)
{
    EXPECT_FALSE(TypingContextCharacter::first("").has_value());
}

}  // namespace
}  // namespace qm::test
