#include "targets/ExpressionEvaluator.h"

#include <charconv>
#include <cmath>

namespace qm {

namespace {

// Recursive descent over the grammar
//   sum     := product (("+" | "-") product)*
//   product := unary (("*" | "/") unary)*
//   unary   := "-" unary | power
//   power   := primary ("**" unary)?
//   primary := number | "(" sum ")"
// Every failure unwinds as an empty optional; nothing throws.
class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<double> parseAll()
    {
        auto value = sum();
        skipBlanks();
        if (!value || pos_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

private:
    // Counts one level of nesting for as long as it lives; the depth limit keeps
    // hostile input from exhausting the stack.
    class Level {
    public:
        explicit Level(int& depth) : depth_(depth) { ++depth_; }
        ~Level() { --depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;
        bool tooDeep() const { return depth_ > ExpressionEvaluator::maxDepth; }

    private:
        int& depth_;
    };

    void skipBlanks()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) {
            ++pos_;
        }
    }

    bool accept(std::string_view token)
    {
        skipBlanks();
        if (text_.substr(pos_, token.size()) == token) {
            pos_ += token.size();
            return true;
        }
        return false;
    }

    bool peekPower()
    {
        skipBlanks();
        return text_.substr(pos_, 2) == "**";
    }

    std::optional<double> sum()
    {
        auto left = product();
        while (left) {
            if (accept("+")) {
                auto right = product();
                if (!right) {
                    return std::nullopt;
                }
                *left += *right;
            } else if (accept("-")) {
                auto right = product();
                if (!right) {
                    return std::nullopt;
                }
                *left -= *right;
            } else {
                break;
            }
        }
        return left;
    }

    std::optional<double> product()
    {
        auto left = unary();
        while (left) {
            if (peekPower()) {
                break;
            }
            if (accept("*")) {
                auto right = unary();
                if (!right) {
                    return std::nullopt;
                }
                *left *= *right;
            } else if (accept("/")) {
                auto right = unary();
                if (!right) {
                    return std::nullopt;
                }
                *left /= *right;
            } else {
                break;
            }
        }
        return left;
    }

    std::optional<double> unary()
    {
        Level level(depth_);
        if (level.tooDeep()) {
            return std::nullopt;
        }
        if (accept("-")) {
            auto operand = unary();
            if (!operand) {
                return std::nullopt;
            }
            return -*operand;
        }
        return power();
    }

    std::optional<double> power()
    {
        auto base = primary();
        if (base && accept("**")) {
            auto exponent = unary();
            if (!exponent) {
                return std::nullopt;
            }
            return std::pow(*base, *exponent);
        }
        return base;
    }

    std::optional<double> primary()
    {
        if (accept("(")) {
            auto inner = sum();
            if (!inner || !accept(")")) {
                return std::nullopt;
            }
            return inner;
        }
        return number();
    }

    // Digits with an optional fraction ("5", "5.", "5.25", ".25"); no sign, no exponent.
    std::optional<double> number()
    {
        skipBlanks();
        const std::size_t start = pos_;
        std::size_t digits = 0;
        while (pos_ < text_.size() && isDigit(text_[pos_])) {
            ++pos_;
            ++digits;
        }
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            while (pos_ < text_.size() && isDigit(text_[pos_])) {
                ++pos_;
                ++digits;
            }
        }
        if (digits == 0) {
            return std::nullopt;
        }
        double value = 0;
        const char* first = text_.data() + start;
        const char* last = text_.data() + pos_;
        auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
        if (error == std::errc::result_out_of_range) {
            // from_chars leaves the value alone on overflow and underflow; a decimal
            // literal too large for a double is an infinity, one too small is zero.
            value = hasNonZeroIntegerDigit(first, last) ? HUGE_VAL : 0.0;
        } else if (error != std::errc() || end != last) {
            return std::nullopt;
        }
        return value;
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    static bool hasNonZeroIntegerDigit(const char* first, const char* last)
    {
        for (; first != last && *first != '.'; ++first) {
            if (*first != '0') {
                return true;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    // The top-level operand sits at level 0; each "(", sign and exponent goes one deeper.
    int depth_ = -1;
};

}  // namespace

std::optional<double> ExpressionEvaluator::evaluate(std::string_view text)
{
    return Parser(text).parseAll();
}

}  // namespace qm
