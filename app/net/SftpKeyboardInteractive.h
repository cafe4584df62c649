#pragma once
// The password login by keyboard-interactive, where a server offers only
// that. The server asks its own questions, and one of them may be a second
// factor ("Verification code:"): the password goes only to a question that
// asks for it, so that it never lands in another field or a log of the
// server's; everything else is refused, since nobody is there to answer.

#include <QString>
#include <string>

struct ssh_session_struct;  // libssh's session

namespace vd::app {

/// Whether a prompt of the keyboard-interactive exchange is answered with
/// the password: only in the first round, only a prompt that hides what is
/// typed, and only one whose text asks for a password ("Password:",
/// "Passwort:", "user@host's password:").
bool AnswersWithPassword(int Round, const QString& Prompt, bool Echo);

/// The outcome of a keyboard-interactive login.
struct TKeyboardInteractiveResult {
    bool LoggedIn = false;
    QString Refusal;  // why not, for the user: the server's question that was not answered
};

TKeyboardInteractiveResult LogInKeyboardInteractive(ssh_session_struct* Ssh,
                                                    const std::string& Password);

}  // namespace vd::app
