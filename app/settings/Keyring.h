#pragma once
// The desktop's keyring: the Secret Service on the session's D-Bus (GNOME
// Keyring, KWallet, KeePassXC), through QtKeychain. Every call waits for its
// answer in a local event loop, so a window keeps painting and the keyring
// can ask its own unlock question meanwhile, and every call has a time
// limit: a keyring that does not answer must not hold the program, nor make
// a password look lost.

#include <QString>
#include <chrono>

namespace vd::app {

enum class TKeyringStatus {
    Done,         // written, removed, or read (the password is in the result)
    NotFound,     // no entry; also what a locked keyring whose unlock was cancelled gives
    Unavailable,  // no keyring answered: no D-Bus session, no Secret Service, access denied
    TimedOut,     // the keyring did not answer within the limit
};

struct TKeyringResult {
    TKeyringStatus Status = TKeyringStatus::Unavailable;
    QString Password;  // what Read found
    QString Why;       // the keyring's own words when it failed
};

/// One entry: keyrings show `Label` as its name (the Secret Service's
/// label, KWallet's folder), and find it by `Label` and `Key` together.
struct TKeyringEntry {
    QString Label;
    QString Key;
    bool operator==(const TKeyringEntry&) const = default;
};

class TKeyring final {
  public:
    explicit TKeyring(std::chrono::milliseconds Limit = DefaultLimit()) : FLimit(Limit) {}

    TKeyringResult Read(const TKeyringEntry& Entry) const;
    TKeyringResult Write(const TKeyringEntry& Entry, const QString& Password) const;
    TKeyringResult Remove(const TKeyringEntry& Entry) const;

    std::chrono::milliseconds Limit() const { return FLimit; }

    /// Long enough for the user to answer the keyring's unlock question.
    static std::chrono::milliseconds DefaultLimit();

  private:
    std::chrono::milliseconds FLimit;
};

}  // namespace vd::app
