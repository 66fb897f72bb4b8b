#include "suggestions/FieldContext.h"

namespace qm {

std::string_view rawValue(FieldContext context)
{
    switch (context) {
    case FieldContext::email:
        return "email";
    case FieldContext::password:
        return "password";
    case FieldContext::search:
        return "search";
    case FieldContext::url:
        return "url";
    case FieldContext::phone:
        return "phone";
    case FieldContext::creditCard:
        return "creditCard";
    case FieldContext::date:
        return "date";
    case FieldContext::color:
        return "color";
    case FieldContext::code:
        return "code";
    case FieldContext::plainText:
        return "plainText";
    case FieldContext::number:
        return "number";
    case FieldContext::unknown:
        return "unknown";
    }
    return "unknown";
}

std::optional<FieldContext> fieldContextFromRawValue(std::string_view raw)
{
    for (const FieldContext context : allFieldContexts) {
        if (rawValue(context) == raw) {
            return context;
        }
    }
    return std::nullopt;
}

}  // namespace qm
