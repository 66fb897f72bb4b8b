#include "platform/storage/DefaultsValue.h"

namespace qm {

DefaultsValue::DefaultsValue(const std::vector<std::string>& strings)
{
    Array array;
    array.reserve(strings.size());
    for (const auto& string : strings) {
        array.emplace_back(string);
    }
    data_ = std::move(array);
}

}  // namespace qm
