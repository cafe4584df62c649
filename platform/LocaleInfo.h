#pragma once

#include <string>

namespace vd::platform {

/// The three-letter abbreviation of the user's language and region, taken
/// from the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty:
/// de_DE gives "DEU", de_AT "DEA", de_CH "DES", de_LU "DEL", de_LI "DEC",
/// en_US "ENU", en_GB "ENG". Any other locale, C and POSIX included, gives
/// "ENU" (the program only ever asks whether the answer is "DEU").
std::string LocaleAbbreviatedLanguageName();

}  // namespace vd::platform
