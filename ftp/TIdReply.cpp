#include "TIdReply.h"

#include <cctype>

#include "EIdException.h"
#include "IdText.h"
#include "platform/Utf8.h"

namespace vd::ftp {

namespace {

// The first four characters of a reply line are its code and separator; a
// line's text starts after them. Cut at a character, never inside one, so
// that both parts stay UTF-8 whatever a server sends ("550ä" is a bad code
// "550ä", not "550" and half an "ä").
std::string_view CodeAndSeparator(std::string_view line) {
    return platform::Utf8PrefixOfUtf16Units(line, 4);
}

std::string TextAfterCode(std::string_view line) {
    return std::string(line.substr(CodeAndSeparator(line).size()));
}

}  // namespace

void TIdReply::SetCode(std::string code) {
    FCode = std::move(code);
    int32_t v = 0;
    const bool digits = !FCode.empty() && std::isdigit(static_cast<unsigned char>(FCode[0]));
    FNumericCode = digits && TryStrToInt(FCode, v) ? v : 0;
}

void TIdReply::Clear() {
    FCode.clear();
    FNumericCode = 0;
    FText.clear();
    FReplyFormat = TIdReplyFormat::rfNormal;
}

std::vector<std::string> TIdReply::FormattedReply() const {
    std::vector<std::string> lines;
    if (FText.empty()) {
        lines.push_back(FCode);
        return lines;
    }
    for (size_t i = 0; i < FText.size(); ++i)
        lines.push_back(FCode + (i + 1 < FText.size() ? "-" : " ") + FText[i]);
    return lines;
}

std::string TIdReply::ErrorMessage() const {
    std::string message;
    for (const auto& line : FText) message += line + "\r\n";
    return message;
}

bool IsMultiLineStart(std::string_view firstLine) noexcept {
    return firstLine.size() >= 4 && firstLine[3] == '-';
}

bool IsReplyEndLine(std::string_view line, std::string_view code) noexcept {
    if (line.size() < 3) return false;
    for (int i = 0; i < 3; ++i)
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) return false;
    if (line.size() > 3 && line[3] != ' ') return false;
    return SameText(line.substr(0, 3), code);
}

TIdReply ParseReply(const std::vector<std::string>& lines) {
    TIdReply reply;
    if (lines.empty()) return reply;
    const std::string& first = lines[0];
    std::string code = Trim(CodeAndSeparator(first));
    if (first.size() >= 4 && first[3] == '-') code = first.substr(0, 3);
    int32_t value = 0;
    if (!Trim(code).empty() && !(TryStrToInt(code, value) && value >= 100 && value <= 999))
        throw EIdException("Antwortcode ist ungültig: " + code);
    reply.SetCode(code);

    std::vector<std::string> text;
    text.push_back(TextAfterCode(first));
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (StartsText(code, line) && !code.empty()) {
            text.push_back(TextAfterCode(line));
        } else {
            if (!line.empty() && line[0] == ' ')
                reply.SetReplyFormat(TIdReplyFormat::rfIndentMidLines);
            text.push_back(TrimLeft(line));
        }
    }
    reply.SetText(std::move(text));
    return reply;
}

}  // namespace vd::ftp
