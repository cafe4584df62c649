#pragma once
// The record of shares as --history prints it: a table for people (date,
// state, expiry, size, link) and JSON for scripts.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <functional>
#include <vector>

#include "app/core/SharedFiles.h"

namespace vd::app {

/// The shares as a table with a heading, newest first as given, dates in
/// `Locale`'s short format. Controls in names and links show as escapes.
QString HistoryTable(const std::vector<TShareRow>& Shares, const QLocale& Locale);

/// The shares as a JSON array, one object per share, times in ISO 8601
/// (UTC), written as the shares come: a record of any size costs the memory
/// of one share and a buffer. Controls (C0, DEL, C1) are written as \u
/// escapes, so the text is safe on a terminal and the same to a JSON reader.
class THistoryJson final {
  public:
    /// Takes each piece of the text; false when it could not be written.
    using TSink = std::function<bool(const QByteArray& Bytes)>;
    explicit THistoryJson(TSink Write);

    /// Adds a share; false when the text could not be written.
    bool Add(const TShareRow& Share);
    /// Ends the array and writes what is left; false as above.
    bool End();

  private:
    bool Flush();
    TSink FWrite;
    QByteArray FBuffer;
    bool FFirst = true;
};

/// The JSON of `Shares` in one piece.
QByteArray HistoryJson(const std::vector<TShareRow>& Shares);

}  // namespace vd::app
