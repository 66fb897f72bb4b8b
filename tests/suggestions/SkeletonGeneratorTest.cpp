#include "suggestions/SkeletonGenerator.h"

#include <string>

#include <gtest/gtest.h>

namespace qm {
namespace {

struct SkeletonCase {
    const char* name;
    const char* line;
    const char* skeleton;
};

class SkeletonGeneratorTable : public ::testing::TestWithParam<SkeletonCase> {
protected:
    static const SkeletonGenerator& generator()
    {
        static const SkeletonGenerator instance;
        return instance;
    }
};

TEST_P(SkeletonGeneratorTable, VariablePartsBecomePlaceholders)
{
    EXPECT_EQ(generator().generateSkeleton(GetParam().line), GetParam().skeleton);
}

const SkeletonCase kSkeletonCases[] = {
    {"git_checkout", "git checkout 3f2a9c1 && cd ./src/app", "git checkout <GIT_HASH> && cd <PATH>"},
    {"kubectl", "kubectl logs pod/web-7f9c --since 2024-05-01", "kubectl logs <K8S_RESOURCE> --since <DATE>"},
    {"number_before_git_hash", "1234567", "<NUM>"},
    {"dollar_is_part_of_the_number", "$19.99", "<NUM>"},
    {"percent_is_a_separator", "50%", "<NUM>%"},
    {"underscore_is_a_separator", "user_id", "user_id"},
    {"empty", "", ""},
    {"spaces_unchanged", "   ", "   "},
    {"uuid", "rm 123e4567-e89b-12d3-a456-426614174000", "rm <UUID>"},
    {"email", "mail joan.doe+tag@example.co.uk now", "mail <EMAIL> now"},
    {"url_up_to_the_question_mark", "open https://www.example.com/a?b=c", "open <URL>?b=c"},
    {"bare_domain_is_a_url", "ping example.org", "ping <URL>"},
    {"short_date", "on 1/2/24", "on <DATE>"},
    {"comma_is_a_separator", "-12 1,234.5", "<NUM> <NUM>,<NUM>"},
    {"dotted_address_is_a_number_first", "ssh 10.0.0.1", "ssh <NUM>"},
    {"port", "listen :8080", "listen <PORT>"},
    {"absolute_path", "cat /etc/hosts", "cat <PATH>"},
    {"parent_path", "ls ../lib", "ls <PATH>"},
    {"long_git_hash", "git show 3f2a9c1d4e5b6a7980", "git show <GIT_HASH>"},
    {"six_hex_digits_stay", "abc123", "abc123"},
    {"brackets_and_quotes_separate", "echo \"42\" (7) [x]", "echo \"<NUM>\" (<NUM>) [x]"},
    {"kept_apostrophe", "don't", "don't"},
    {"tabs_and_line_breaks_kept", "a\t1\r\n2", "a\t<NUM>\r\n<NUM>"},
    {"equals_stays_inside_words", "--count=3", "--count=3"},
    {"unicode_punctuation_separates", "«42»", "«<NUM>»"},
    {"unicode_digits_are_digits", "x ٤٢", "x <NUM>"},
    {"emoji_in_words", "🙂 ok", "🙂 ok"},
    {"k8s_service", "kubectl delete service/api-gw", "kubectl delete <K8S_RESOURCE>"},
};

INSTANTIATE_TEST_SUITE_P(Lines, SkeletonGeneratorTable, ::testing::ValuesIn(kSkeletonCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SkeletonGeneratorTest, LinesOfTheSameShapeShareOneSkeleton)
{
    const SkeletonGenerator generator;
    EXPECT_EQ(generator.generateSkeleton("git checkout 3f2a9c1 -- ./src/app.cpp"),
              generator.generateSkeleton("git checkout 9e8d7c6b5a -- ../lib/util.h"));
}

}  // namespace
}  // namespace qm
