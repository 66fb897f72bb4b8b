#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <unicode/locid.h>

namespace qm::test {

// Runs a test in the named time zone (through TZ, where the current calendar
// looks) and ICU locale, and puts both back afterwards.
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* zone, const char* locale = "en_US")
        : savedLocale_(icu::Locale::getDefault())
    {
        if (const char* old = std::getenv("TZ")) {
            savedZone_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(locale), status);
    }

    ~TimeZoneScope()
    {
        if (savedZone_) {
            setenv("TZ", savedZone_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(savedLocale_, status);
    }

    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    std::optional<std::string> savedZone_;
    icu::Locale savedLocale_;
};

}  // namespace qm::test
