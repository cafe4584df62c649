#pragma once
// The record of shares as --history prints it: a table for people (date,
// state, expiry, size, link) and JSON for scripts.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <vector>

#include "app/core/SharedFiles.h"

namespace vd::app {

/// The shares as a table with a heading, newest first as given, dates in
/// `Locale`'s short format. Controls in names and links show as escapes.
QString HistoryTable(const std::vector<TShareRow>& Shares, const QLocale& Locale);

/// The shares as a JSON array, one object per share, times in ISO 8601
/// (UTC). Controls (C0, DEL, C1) are written as \u escapes, so the text is
/// safe on a terminal and the same to a JSON reader.
QByteArray HistoryJson(const std::vector<TShareRow>& Shares);

}  // namespace vd::app
