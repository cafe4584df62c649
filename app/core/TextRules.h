#pragma once
// Small text rules shared by the flows.

#include <QString>
#include <cstdint>

namespace vd::app {

/// `Text` without leading and trailing characters with codes up to 32.
QString TrimControl(const QString& Text);

/// The text the general error box shows for an error message: a full stop
/// is appended when the last character's code is above that of ".".
QString ErrorBoxText(const QString& Message);

/// A byte count for people: "512.0 KiB", "3.5 MiB", "1.25 GiB".
QString FormatBytes(std::uint64_t Bytes);

}  // namespace vd::app
