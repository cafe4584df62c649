#include "platform/LocaleInfo.h"

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace vd::platform {
namespace {

std::string UserLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

}  // namespace

std::string LocaleAbbreviatedLanguageName() {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kTable{{
        {"de_DE", "DEU"},
        {"de_AT", "DEA"},
        {"de_CH", "DES"},
        {"de_LU", "DEL"},
        {"de_LI", "DEC"},
        {"en_US", "ENU"},
        {"en_GB", "ENG"},
    }};
    const std::string locale = UserLocale();
    // "de_DE.UTF-8@euro": language and territory end at the codeset or modifier.
    const std::string_view name = std::string_view(locale).substr(0, locale.find_first_of(".@"));
    for (const auto& [key, abbreviation] : kTable) {
        if (name == key) return std::string(abbreviation);
    }
    return "ENU";
}

}  // namespace vd::platform
