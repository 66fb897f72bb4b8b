#include "targets/TargetUnavailableError.h"

namespace qm {

TargetUnavailableError::TargetUnavailableError(std::string_view typeName, std::string_view commandName)
    : PlatformError(std::string(typeName), kCode, describe(commandName))
{
}

std::string TargetUnavailableError::describe(std::string_view commandName)
{
    return "The //" + std::string(commandName) + " target is not available yet.";
}

}  // namespace qm
