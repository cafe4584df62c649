// FTP replies and the pure functions that read them (RFC 959, 4.2).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vd::ftp {

enum class TIdReplyFormat { rfNormal, rfIndentMidLines };

class TIdReply final {
  public:
    // Code as received (normally three digits); NumericCode its value, 0 when
    // it is not a number.
    const std::string& Code() const noexcept { return FCode; }
    int NumericCode() const noexcept { return FNumericCode; }
    const std::vector<std::string>& Text() const noexcept { return FText; }
    TIdReplyFormat ReplyFormat() const noexcept { return FReplyFormat; }

    void SetCode(std::string code);
    void SetText(std::vector<std::string> text) { FText = std::move(text); }
    void SetReplyFormat(TIdReplyFormat f) { FReplyFormat = f; }
    void Clear();

    // The wire lines again: every line but the last as code + "-" + text, the
    // last as code + " " + text.
    std::vector<std::string> FormattedReply() const;
    // The text lines, each followed by CR LF: the message of a refused reply.
    std::string ErrorMessage() const;

  private:
    std::string FCode;
    int FNumericCode = 0;
    std::vector<std::string> FText;
    TIdReplyFormat FReplyFormat = TIdReplyFormat::rfNormal;
};

// RFC 959: a multi-line reply starts with "xyz-" and ends with the first
// line "xyz" or "xyz " + text carrying the same code.
bool IsMultiLineStart(std::string_view firstLine) noexcept;
bool IsReplyEndLine(std::string_view line, std::string_view code) noexcept;

// Parses the (trimmed, non-empty) lines of one reply. Fails with
// EIdException "Antwortcode ist ungültig: %s" when the code is not a number
// from 100 to 999.
TIdReply ParseReply(const std::vector<std::string>& lines);

}  // namespace vd::ftp
