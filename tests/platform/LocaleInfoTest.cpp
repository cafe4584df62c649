#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/LocaleInfo.h"

namespace vd::platform {
namespace {

struct TLocaleCase {
    const char* LcAll;
    const char* LcMessages;
    const char* Lang;
    const char* Expected;
};

TEST(LocaleInfo, AbbreviationFollowsTheFirstLocaleVariableSet) {
    const TLocaleCase cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", "DEU"},
        {nullptr, nullptr, "de_DE@euro", "DEU"},
        {nullptr, nullptr, "de_AT.UTF-8", "DEA"},
        {nullptr, nullptr, "de_CH.UTF-8", "DES"},
        {nullptr, nullptr, "de_LU", "DEL"},
        {nullptr, nullptr, "de_LI", "DEC"},
        {nullptr, nullptr, "en_GB.UTF-8", "ENG"},
        {nullptr, nullptr, "C", "ENU"},
        {nullptr, nullptr, "POSIX", "ENU"},
        {nullptr, nullptr, "de", "ENU"},
        {nullptr, nullptr, nullptr, "ENU"},
        {"en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", "ENU"},
        {"", "de_DE.UTF-8", "en_US.UTF-8", "DEU"},
        {nullptr, "", "de_DE.UTF-8", "DEU"},
    };
    for (const TLocaleCase& c : cases) {
        const std::pair<const char*, const char*> vars[] = {
            {"LC_ALL", c.LcAll}, {"LC_MESSAGES", c.LcMessages}, {"LANG", c.Lang}};
        for (const auto& [name, value] : vars) {
            if (value)
                ::setenv(name, value, 1);
            else
                ::unsetenv(name);
        }
        EXPECT_EQ(LocaleAbbreviatedLanguageName(), c.Expected)
            << (c.LcAll ? c.LcAll : "-") << " " << (c.LcMessages ? c.LcMessages : "-") << " "
            << (c.Lang ? c.Lang : "-");
    }
}

}  // namespace
}  // namespace vd::platform
