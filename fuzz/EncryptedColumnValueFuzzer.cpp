// Arbitrary bytes as a stored encrypted column value, and as the box inside
// one: opening never crashes and its time grows linearly; whatever opens
// is an authentic box of 28 + n bytes holding n bytes of UTF-8. Arbitrary
// bytes as a value: sealing and opening gives it back exactly when it is UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "FuzzBudget.h"
#include "base/Base64.h"
#include "base/Text.h"
#include "suggestions/EncryptedColumnValue.h"

namespace {

constexpr const char* kName = "EncryptedColumnValueFuzzer";

void check(bool condition, const char* what)
{
    qm::fuzz::check(kName, condition, what);
}

template <typename Text, typename Call> auto linearIn(const char* name, const Text& input, Call call)
{
    return qm::fuzz::linearIn(kName, name, input, call);
}

// The key 00 01 02 ... 1f, under which the corpus's boxes were sealed.
const std::string& key()
{
    static const std::string bytes = [] {
        std::string result;
        for (int i = 0; i < 32; ++i) {
            result.push_back(static_cast<char>(i));
        }
        return result;
    }();
    return bytes;
}

bool isUtf8(std::string_view bytes)
{
    return qm::text::toUtf8(qm::text::toUtf16(bytes)) == bytes;
}

void checkOpened(std::string_view text, const std::optional<std::string>& plaintext)
{
    if (!plaintext) {
        return;
    }
    const auto box = qm::Base64::decode(text);
    check(box.has_value(), "opened text that is not Base64");
    check(box->size() == plaintext->size() + 28, "box is not 28 bytes longer than its plaintext");
    check(isUtf8(*plaintext), "opened to bytes that are not UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every refused box prints a line; standard output would be most of the run.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
        std::fflush(stdout);
        ::dup2(devNull, STDOUT_FILENO);
        ::close(devNull);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const auto asText = linearIn("open text", bytes, [](const std::string& text) {
        return qm::EncryptedColumnValue::open(key(), text);
    });
    checkOpened(bytes, asText);

    const auto asBox = linearIn("open box", bytes, [](const std::string& box) {
        return qm::EncryptedColumnValue::open(key(), qm::Base64::encode(box));
    });
    checkOpened(qm::Base64::encode(bytes), asBox);

    const auto sealed = qm::EncryptedColumnValue::seal(key(), bytes);
    check(sealed.has_value(), "sealing failed");
    check(sealed->size() == 4 * ((28 + size + 2) / 3), "sealed text has the wrong length");
    const auto reopened = qm::EncryptedColumnValue::open(key(), *sealed);
    if (isUtf8(bytes)) {
        check(reopened == bytes, "UTF-8 value did not come back");
    } else {
        check(!reopened.has_value(), "bytes that are not UTF-8 came back");
    }
    return 0;
}
