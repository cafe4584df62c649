#pragma once
// Small text rules shared by the flows.

#include <QString>

namespace vd::app {

/// `Text` without leading and trailing characters with codes up to 32.
QString TrimControl(const QString& Text);

/// The text the general error box shows for an error message: a full stop
/// is appended when the last character's code is above that of ".".
QString ErrorBoxText(const QString& Message);

}  // namespace vd::app
