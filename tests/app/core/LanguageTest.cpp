#include <gtest/gtest.h>

#include <cstdlib>

#include "app/core/Language.h"

namespace vd::app {
namespace {

TEST(Language, GermanOnlyForGermanyAndWhenAllowed) {
    const struct {
        const char* Lang;
        bool AutoLanguage;
        TLanguage Language;
    } cases[] = {
        {"de_DE.UTF-8", true, TLanguage::German},  {"de_DE.UTF-8", false, TLanguage::English},
        {"de_AT.UTF-8", true, TLanguage::English}, {"de_CH.UTF-8", true, TLanguage::English},
        {"C", true, TLanguage::English},           {"en_US.UTF-8", true, TLanguage::English},
    };
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    for (const auto& c : cases) {
        ::setenv("LANG", c.Lang, 1);
        EXPECT_EQ(InterfaceLanguage(c.AutoLanguage), c.Language) << c.Lang << " " << c.AutoLanguage;
    }
    EXPECT_EQ(GetLocaleString(2), QString());
    EXPECT_EQ(LanguageOfLocale(QStringLiteral("deu")), TLanguage::English);  // exact, case and all
}

TEST(Language, TextsByNameWithEnglishWhereALanguageHasNoneOfItsOwn) {
    const struct {
        const char16_t* Id;
        const char16_t* English;
        const char16_t* German;
    } cases[] = {
        {u"BtnSettings", u"&Settings...", u"&Einstellungen..."},
        {u"BtnCancel", u"E&xit", u"E&xit"},  // no German text: the caption stays
        {u"OKButton", u"&OK", u"&OK"},
        {u"VelodropSettings", u"Velodrop Settings", u"Velodrop-Einstellungen"},
        {u"useTLSCheckBox", u"Use TLS (needs OpenSSL 3)", u"TLS benutzen (benötigt OpenSSL 3)"},
        {u"NotExistingText", u" not existing", u" nicht vorhanden"},
        {u"DropHint", u"Drop file here", u"Datei hierher ziehen und loslassen"},
        {u"QRCodeTooLong", u"The link is too long for a QR code.",
         u"Der Link ist zu lang für einen QR-Code."},
        {u"NoSuchText", u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextNamed(TLanguage::English, c.Id), QStringView(c.English));
        EXPECT_EQ(TextNamed(TLanguage::German, c.Id), QStringView(c.German));
    }
}

}  // namespace
}  // namespace vd::app
