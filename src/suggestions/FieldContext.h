#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace qm {

// The kind of a focused text field. The raw value (the case name) is the stored
// form: field memory writes it into its field_context column.
enum class FieldContext {
    email,
    password,
    search,
    url,
    phone,
    creditCard,
    date,
    color,
    code,
    plainText,
    number,
    unknown,
};

inline constexpr std::array<FieldContext, 12> allFieldContexts = {
    FieldContext::email, FieldContext::password,   FieldContext::search, FieldContext::url,
    FieldContext::phone, FieldContext::creditCard, FieldContext::date,   FieldContext::color,
    FieldContext::code,  FieldContext::plainText,  FieldContext::number, FieldContext::unknown,
};

std::string_view rawValue(FieldContext context);

// Nothing for a text that is none of the twelve raw values (letter case counts).
std::optional<FieldContext> fieldContextFromRawValue(std::string_view raw);

}  // namespace qm
