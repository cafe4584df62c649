#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Utf8.h"

namespace vd::platform {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct TLine {
    std::string_view Text;  // without its line end
    std::string_view End;   // "\r\n", "\n", "\r", or empty for a last line without one
};

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

std::string_view TrimBlanks(std::string_view S) {
    while (!S.empty() && IsBlank(S.front())) S.remove_prefix(1);
    while (!S.empty() && IsBlank(S.back())) S.remove_suffix(1);
    return S;
}

char AsciiLower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool SameName(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (std::size_t i = 0; i < A.size(); ++i) {
        if (AsciiLower(A[i]) != AsciiLower(B[i])) return false;
    }
    return true;
}

std::vector<TLine> SplitLines(std::string_view Content) {
    std::vector<TLine> lines;
    std::size_t start = 0;
    while (start < Content.size()) {
        std::size_t end = Content.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({Content.substr(start), {}});
            break;
        }
        std::size_t endLen =
            (Content[end] == '\r' && end + 1 < Content.size() && Content[end + 1] == '\n') ? 2 : 1;
        lines.push_back({Content.substr(start, end - start), Content.substr(end, endLen)});
        start = end + endLen;
    }
    return lines;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view Line) {
    Line = TrimBlanks(Line);
    if (Line.empty() || Line.front() != '[') return std::nullopt;
    Line.remove_prefix(1);
    return TrimBlanks(Line.substr(0, Line.find(']')));
}

// Splits a "key = value" line; nothing when the line holds no "=".
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view Line) {
    const std::size_t eq = Line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return std::pair{TrimBlanks(Line.substr(0, eq)), TrimBlanks(Line.substr(eq + 1))};
}

std::string_view Unquote(std::string_view V) {
    if (V.size() >= 2 && (V.front() == '"' || V.front() == '\'') && V.back() == V.front()) {
        return V.substr(1, V.size() - 2);
    }
    return V;
}

std::optional<std::string> ReadWholeFile(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        content.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

std::string_view WithoutBom(std::string_view Content) {
    if (Content.substr(0, kUtf8Bom.size()) == kUtf8Bom) Content.remove_prefix(kUtf8Bom.size());
    return Content;
}

// Where a key lives in a file, as line indices.
struct TKeyPlace {
    std::optional<std::size_t> SectionLine;
    std::optional<std::size_t> KeyLine;
    std::size_t LastContentLine = 0;  // the section's last non-empty line
};

TKeyPlace FindKey(const std::vector<TLine>& Lines, std::string_view Section, std::string_view Key) {
    TKeyPlace place;
    bool inSection = false;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        if (auto name = SectionName(Lines[i].Text)) {
            if (inSection) break;  // the first matching section ends here
            inSection = SameName(*name, Section);
            if (inSection) place.SectionLine = place.LastContentLine = i;
            continue;
        }
        if (!inSection) continue;
        if (!TrimBlanks(Lines[i].Text).empty()) place.LastContentLine = i;
        if (auto kv = KeyValue(Lines[i].Text); kv && SameName(kv->first, Key)) {
            place.KeyLine = i;
            break;
        }
    }
    return place;
}

std::string OneLine(std::string_view Value) {
    std::string out(Value.substr(0, Value.find('\0')));
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

// The line end that new lines get: the file's own, LF for a new file.
std::string_view LineEndOf(const std::vector<TLine>& Lines) {
    for (const TLine& l : Lines) {
        if (!l.End.empty()) return l.End;
    }
    return "\n";
}

std::string Rebuild(std::string_view Bom, const std::vector<TLine>& Lines,
                    const std::vector<std::pair<std::size_t, std::string>>& Inserts,
                    std::optional<std::pair<std::size_t, std::string>> Replace) {
    const std::string_view eol = LineEndOf(Lines);
    std::string out(Bom);
    auto emitInserts = [&](std::size_t after) {
        for (const auto& [at, text] : Inserts) {
            if (at == after) out.append(text).append(eol);
        }
    };
    emitInserts(SIZE_MAX);  // before the first line
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        out.append(Replace && Replace->first == i ? std::string_view(Replace->second)
                                                  : Lines[i].Text);
        bool insertsFollow = false;
        for (const auto& insert : Inserts) insertsFollow = insertsFollow || insert.first == i;
        const bool needsEnd = Lines[i].End.empty() && insertsFollow;
        out.append(needsEnd ? eol : Lines[i].End);
        emitInserts(i);
    }
    return out;
}

// Replaces the file at Path with Content, keeping its permissions and
// writing through a link to where it points; a failed write never leaves
// half a settings file.
bool ReplaceFile(const std::string& Path, const std::string& Content, bool Existed) {
    std::string target = Path;
    if (char resolved[PATH_MAX]; Existed && ::realpath(Path.c_str(), resolved)) target = resolved;
    mode_t mode = 0600;  // the file holds a (scrambled) password
    if (Existed) {
        struct stat st {};
        if (::stat(target.c_str(), &st) != 0 || ::access(target.c_str(), W_OK) != 0) return false;
        mode = st.st_mode & 07777;
    }
    return ReplaceFileAtomically(target, Content, mode) == 0;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view Section, std::string_view Key,
                                    std::string_view Default, const std::string& Path) {
    const auto content = ReadWholeFile(Path);
    if (!content) return std::string(Default);
    const auto lines = SplitLines(WithoutBom(*content));
    const TKeyPlace place = FindKey(lines, Section, Key);
    if (!place.KeyLine) return std::string(Default);
    const std::string_view value = Unquote(KeyValue(lines[*place.KeyLine].Text)->second);
    return std::string(Utf8PrefixOfUtf16Units(value, kProfileValueMaxUnits));
}

bool WritePrivateProfileString(std::string_view Section, std::string_view Key,
                               std::string_view Value, const std::string& Path) {
    const bool existed = ::access(Path.c_str(), F_OK) == 0;
    std::optional<std::string> content = existed ? ReadWholeFile(Path) : std::string();
    if (!content) return false;
    const std::string_view body = WithoutBom(*content);
    const std::string_view bom =
        std::string_view(*content).substr(0, content->size() - body.size());
    const auto lines = SplitLines(body);
    const TKeyPlace place = FindKey(lines, Section, Key);
    const std::string keyLine = std::string(Key) + "=" + OneLine(Value);

    if (place.KeyLine) {
        return ReplaceFile(Path, Rebuild(bom, lines, {}, std::pair{*place.KeyLine, keyLine}),
                           existed);
    }
    std::vector<std::pair<std::size_t, std::string>> inserts;
    if (place.SectionLine) {
        inserts.emplace_back(place.LastContentLine, keyLine);
    } else {
        const std::size_t after = lines.empty() ? SIZE_MAX : lines.size() - 1;
        std::string header(
            1, '[');  // built piecewise: g++ 12 misreads "[" + ... under -O2 (-Wrestrict)
        header.append(Section).append(1, ']');
        inserts.emplace_back(after, header);
        inserts.emplace_back(after, keyLine);
    }
    return ReplaceFile(Path, Rebuild(bom, lines, inserts, std::nullopt), existed);
}

}  // namespace vd::platform
