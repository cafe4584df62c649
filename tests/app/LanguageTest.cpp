#include <gtest/gtest.h>

#include <cstdlib>

#include "app/core/Language.h"

namespace vd::app {
namespace {

TEST(Language, GermanOnlyForGermanyAndWhenAllowed) {
    const struct {
        const char* Lang;
        bool AutoLanguage;
        bool German;
    } cases[] = {
        {"de_DE.UTF-8", true, true},  {"de_DE.UTF-8", false, false},
        {"de_AT.UTF-8", true, false}, {"de_CH.UTF-8", true, false},
        {"C", true, false},           {"en_US.UTF-8", true, false},
    };
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    for (const auto& c : cases) {
        ::setenv("LANG", c.Lang, 1);
        EXPECT_EQ(InterfaceLanguage(c.AutoLanguage) == TLanguage::German, c.German)
            << c.Lang << " " << c.AutoLanguage;
    }
    EXPECT_EQ(GetLocaleString(2), QString());
}

}  // namespace
}  // namespace vd::app
