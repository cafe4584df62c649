#include "app/core/Language.h"

#include "platform/LocaleInfo.h"

namespace vd::app {

QString GetLocaleString(int LCType) {
    if (LCType != LOCALE_SABBREVLANGNAME) return {};
    return QString::fromStdString(platform::LocaleAbbreviatedLanguageName());
}

bool UseGermanTexts(bool AutoLanguage) {
    return AutoLanguage && GetLocaleString(LOCALE_SABBREVLANGNAME) == u"DEU";
}

TRuntimeTexts RuntimeTexts(bool German) {
    if (German)
        return {QStringLiteral(" nicht vorhanden"),
                QStringLiteral("Datei hierher ziehen und loslassen")};
    return {QStringLiteral(" not existing"), QStringLiteral("Drop file here")};
}

}  // namespace vd::app
