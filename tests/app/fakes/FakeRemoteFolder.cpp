#include "FakeRemoteFolder.h"

#include <QFile>
#include <QRegularExpression>
#include <stdexcept>

namespace vd::test {

namespace {

// "*" any text, "?" any one character, "/" and line breaks included.
bool Matches(const QString& Text, const QString& Pattern) {
    QString expression = QRegularExpression::escape(Pattern);
    expression.replace(QStringLiteral("\\*"), QStringLiteral(".*"));
    expression.replace(QStringLiteral("\\?"), QStringLiteral("."));
    const QRegularExpression wildcard(QRegularExpression::anchoredPattern(expression),
                                      QRegularExpression::DotMatchesEverythingOption);
    return wildcard.match(Text).hasMatch();
}

}  // namespace

bool CallsMatch(const QStringList& Calls, const QStringList& Patterns) {
    if (Calls.size() != Patterns.size()) return false;
    for (qsizetype i = 0; i < Calls.size(); ++i) {
        if (!Matches(Calls[i], Patterns[i])) return false;
    }
    return true;
}

void TFakeRemoteFolder::FailOn(const QString& Pattern, const QString& Message) {
    FFailures.emplace_back(Pattern, Message);
}

void TFakeRemoteFolder::Call(const QString& Text) {
    Calls << Text;
    for (const auto& [pattern, message] : FFailures) {
        if (Matches(Text, pattern)) throw std::runtime_error(message.toStdString());
    }
}

void TFakeRemoteFolder::Open(const app::TServerAccount& Account) {
    OpenedWith = Account;
    Call(QStringLiteral("OPEN"));
    if (!ShownFingerprint.isEmpty() && FCheck)
        FCheck(QStringLiteral("files.example.org:21"), ShownFingerprint);
    SessionOpen = true;
}

void TFakeRemoteFolder::Put(const QString& LocalFile, const QString& RemoteName,
                            const TProgress& Progress) {
    Call(QStringLiteral("PUT ") + RemoteName);
    QFile file(LocalFile);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + LocalFile.toStdString());
    const QByteArray content = file.readAll();
    const auto total = static_cast<std::uint64_t>(content.size());
    // What has arrived is on the server, also when the upload stops early.
    for (int piece = 1; Progress && piece <= ProgressPieces; ++piece) {
        const std::uint64_t sent = total * static_cast<std::uint64_t>(piece) / ProgressPieces;
        Files[RemoteName] = content.left(static_cast<qsizetype>(sent));
        if (piece == CutPutAfterPieces) throw std::runtime_error("Connection reset by peer");
        Progress(sent, total);
    }
    Files[RemoteName] = content;
}

void TFakeRemoteFolder::PutContent(const QByteArray& Content, const QString& RemoteName) {
    Call(QStringLiteral("PUTCONTENT ") + RemoteName);
    Files[RemoteName] = Content;
}

void TFakeRemoteFolder::Append(const QByteArray& Content, const QString& RemoteName) {
    Call(QStringLiteral("APPEND ") + RemoteName);
    Files[RemoteName] += Content;
}

QByteArray TFakeRemoteFolder::Get(const QString& RemoteName) {
    Call(QStringLiteral("GET ") + RemoteName);
    if (!Files.contains(RemoteName)) throw std::runtime_error("550 No such file.");
    return Files.value(RemoteName);
}

QStringList TFakeRemoteFolder::ListNames() {
    Call(QStringLiteral("LIST"));
    QStringList names;
    for (const QString& name : Files.keys()) names << ListPrefix + name;
    return names;
}

void TFakeRemoteFolder::Delete(const QString& RemoteName) {
    Call(QStringLiteral("DELETE ") + RemoteName);
    if (Files.remove(RemoteName) == 0) throw std::runtime_error("550 No such file.");
}

void TFakeRemoteFolder::Close() noexcept {
    Calls << QStringLiteral("CLOSE");
    SessionOpen = false;
}

}  // namespace vd::test
