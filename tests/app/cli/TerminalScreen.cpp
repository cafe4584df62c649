#include "app/cli/TerminalScreen.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace vd::test {
namespace {

struct TColours {
    int Foreground;
    int Background;
};

// Grey level of entry n of the 256-colour palette, for the entries that
// are the same on every terminal: the 6x6x6 cube and the grey ramp.
std::optional<int> PaletteGrey(int n) {
    static constexpr int kCubeLevels[6] = {0, 95, 135, 175, 215, 255};
    if (n >= 232 && n <= 255) return 8 + 10 * (n - 232);
    if (n < 16 || n > 231) return std::nullopt;
    const int i = n - 16;
    return (kCubeLevels[i / 36] + kCubeLevels[i / 6 % 6] + kCubeLevels[i % 6]) / 3;
}

// The extended colour that starts at p[i] (38 or 48); advances i past it.
std::optional<int> ExtendedColour(const std::vector<int>& p, std::size_t& i) {
    if (i + 2 < p.size() && p[i + 1] == 5) {
        i += 2;
        return PaletteGrey(p[i]);
    }
    if (i + 4 < p.size() && p[i + 1] == 2) {
        i += 4;
        return (p[i - 2] + p[i - 1] + p[i]) / 3;
    }
    return std::nullopt;
}

// The grey of the basic black or white (as xterm draws them) that a code
// 30 to 47 sets.
std::optional<int> BasicGrey(int code) {
    if (code % 10 == 0) return 0;
    if (code % 10 == 7) return 229;
    return std::nullopt;
}

// Applies the parameters of one ESC[...m; false for one it does not know.
bool ApplySgr(const std::vector<int>& p, TerminalTheme theme, TColours& colours) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        const int code = p[i];
        const bool foreground = code / 10 == 3;
        int& target = foreground ? colours.Foreground : colours.Background;
        std::optional<int> grey;
        if (code == 0) {
            colours = {theme.Foreground, theme.Background};
            continue;
        }
        if (code == 39 || code == 49) {
            grey = code == 39 ? theme.Foreground : theme.Background;
        } else if (code == 38 || code == 48) {
            grey = ExtendedColour(p, i);
        } else if (code >= 30 && code <= 47) {
            grey = BasicGrey(code);
        }
        if (!grey) return false;
        target = *grey;
    }
    return true;
}

// The parameters of the escape sequence at the start of Text ("\x1b[...m"),
// and its length; nothing for any other sequence.
std::optional<std::pair<std::vector<int>, std::size_t>> ParseSgr(std::string_view text) {
    const std::size_t end = text.find('m');
    if (text.substr(0, 2) != "\x1b[" || end == std::string_view::npos) return std::nullopt;
    std::vector<int> params{0};
    for (char ch : text.substr(2, end - 2)) {
        if (ch == ';') {
            params.push_back(0);
        } else if (ch >= '0' && ch <= '9') {
            params.back() = params.back() * 10 + (ch - '0');
        } else {
            return std::nullopt;
        }
    }
    return std::pair{params, end + 1};
}

// Which halves of the cell a character fills: blank and three blocks.
std::optional<std::pair<bool, bool>> CellHalves(std::string_view text, std::size_t& length) {
    length = 1;
    if (text.front() == ' ') return std::pair{false, false};
    length = 3;
    if (text.starts_with("\xE2\x96\x80")) return std::pair{true, false};
    if (text.starts_with("\xE2\x96\x84")) return std::pair{false, true};
    if (text.starts_with("\xE2\x96\x88")) return std::pair{true, true};
    return std::nullopt;
}

using TScreenLine = std::vector<std::pair<int, int>>;  // per cell: upper and lower grey

// One line drawn cell by cell; the colours carry on to the next line.
std::optional<TScreenLine> DrawLine(std::string_view line, TerminalTheme theme, TColours& colours) {
    TScreenLine cells;
    while (!line.empty()) {
        std::size_t length = 0;
        if (line.front() == '\x1b') {
            const auto sgr = ParseSgr(line);
            if (!sgr || !ApplySgr(sgr->first, theme, colours)) return std::nullopt;
            length = sgr->second;
        } else {
            const auto halves = CellHalves(line, length);
            if (!halves) return std::nullopt;
            cells.emplace_back(halves->first ? colours.Foreground : colours.Background,
                               halves->second ? colours.Foreground : colours.Background);
        }
        line.remove_prefix(length);
    }
    return cells;
}

QImage Picture(const std::vector<TScreenLine>& lines) {
    QImage image(static_cast<int>(lines.front().size()), 2 * static_cast<int>(lines.size()),
                 QImage::Format_Grayscale8);
    for (std::size_t y = 0; y < lines.size(); ++y) {
        uchar* upper = image.scanLine(2 * static_cast<int>(y));
        uchar* lower = image.scanLine(2 * static_cast<int>(y) + 1);
        for (std::size_t x = 0; x < lines[y].size(); ++x) {
            upper[x] = static_cast<uchar>(lines[y][x].first);
            lower[x] = static_cast<uchar>(lines[y][x].second);
        }
    }
    return image;
}

}  // namespace

QImage TerminalScreen(const std::string& Text, TerminalTheme Theme) {
    TColours colours{Theme.Foreground, Theme.Background};
    std::vector<TScreenLine> lines;
    std::string_view rest = Text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            ADD_FAILURE() << "the text does not end with a newline";
            return {};
        }
        auto line = DrawLine(rest.substr(0, end), Theme, colours);
        if (!line) {
            ADD_FAILURE() << "unknown character or escape in line " << lines.size();
            return {};
        }
        if (!lines.empty() && line->size() != lines.front().size()) {
            ADD_FAILURE() << "line " << lines.size() << " differs in length from the first";
            return {};
        }
        lines.push_back(std::move(*line));
        rest.remove_prefix(end + 1);
    }
    if (lines.empty() || lines.front().empty()) return {};
    return Picture(lines);
}

}  // namespace vd::test
