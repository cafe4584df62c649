#include "app/net/SftpKeyboardInteractive.h"

#include <libssh/libssh.h>

namespace vd::app {
namespace {

// Servers end the exchange with rounds that ask nothing (OpenSSH with PAM
// sends one); those are answered with nothing. A server that keeps asking
// is given up.
constexpr int kMaxRounds = 5;

}  // namespace

bool AnswersWithPassword(int Round, const QString& Prompt, bool Echo) {
    return Round == 0 && !Echo &&
           (Prompt.contains(QLatin1String("password"), Qt::CaseInsensitive) ||
            Prompt.contains(QLatin1String("passwort"), Qt::CaseInsensitive));
}

TKeyboardInteractiveResult LogInKeyboardInteractive(ssh_session Ssh, const std::string& Password) {
    TKeyboardInteractiveResult result;
    int rc = ssh_userauth_kbdint(Ssh, nullptr, nullptr);
    for (int round = 0; rc == SSH_AUTH_INFO && round < kMaxRounds; ++round) {
        const int prompts = ssh_userauth_kbdint_getnprompts(Ssh);
        for (int i = 0; i < prompts; ++i) {
            char echo = 0;
            const char* text = ssh_userauth_kbdint_getprompt(Ssh, static_cast<unsigned>(i), &echo);
            const QString prompt = QString::fromUtf8(text ? text : "").trimmed();
            if (!AnswersWithPassword(round, prompt, echo != 0)) {
                // Asked again for the password: the first one was wrong.
                result.Refusal = AnswersWithPassword(0, prompt, echo != 0)
                                     ? QStringLiteral("password refused")
                                     : QStringLiteral(
                                           "the server asked \"%1\", which nobody is "
                                           "there to answer")
                                           .arg(prompt);
                return result;
            }
            if (ssh_userauth_kbdint_setanswer(Ssh, static_cast<unsigned>(i), Password.c_str()) < 0)
                return result;
        }
        rc = ssh_userauth_kbdint(Ssh, nullptr, nullptr);
    }
    result.LoggedIn = rc == SSH_AUTH_SUCCESS;
    return result;
}

}  // namespace vd::app
