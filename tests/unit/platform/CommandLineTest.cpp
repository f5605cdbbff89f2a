#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Process.h"

namespace {

using platform::EscapeQuotedArgument;
using platform::SplitCommandLine;
using Args = std::vector<std::string>;

TEST(CommandLineTest, Split) {
    const struct {
        const char* line;
        Args args;
    } cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"ffmpeg -y -i in.mp4", {"ffmpeg", "-y", "-i", "in.mp4"}},
        {"  a\t\tb  ", {"a", "b"}},
        {"a\nb", {"a\nb"}},  // only blanks and tabs separate
        {"\"a b\" c", {"a b", "c"}},
        {"a\"b c\"d", {"ab cd"}},  // quotes group inside a word
        {"\"\"", {""}},
        {"\"\" \"\"", {"", ""}},
        {"x \"\"", {"x", ""}},
        {"\"unterminated quote", {"unterminated quote"}},
        // Backslashes are literal unless a quote follows.
        {"C:\\dir\\file.mp4", {"C:\\dir\\file.mp4"}},
        {"a\\\\b", {"a\\\\b"}},
        {"end\\", {"end\\"}},
        {"\"C:\\dir\\\\\" next", {"C:\\dir\\", "next"}},  // 2n before a quote: n, and the quote closes
        {"\\\"a", {"\"a"}},                               // 2n+1: n and a literal quote
        {"\\\\\"a b\"", {"\\a b"}},
        {"\\\\\\\"a", {"\\\"a"}},
        {"\"say \\\"hi\\\"\"", {"say \"hi\""}},
        // "" inside quotes is a literal quote and the quoted part goes on.
        {"\"a\"\"b\"", {"a\"b"}},
        {"\"a\"\"b c\"", {"a\"b c"}},
        {"\"a\"\"\"", {"a\""}},
        {"\"\"\"\"", {"\""}},
        {"\"\"\"a b\"", {"\"a b"}},
        // Outside quotes "" opens and closes an empty part.
        {"a\"\"b", {"ab"}},
        {"\"日本語 ファイル.mp4\" -y", {"日本語 ファイル.mp4", "-y"}},
        {"'single quotes' are plain", {"'single", "quotes'", "are", "plain"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << "[" << c.line << "]";
}

TEST(CommandLineTest, Escape) {
    const struct {
        const char* text;
        const char* escaped;
    } cases[] = {
        {"", ""},
        {"plain name.mp4", "plain name.mp4"},
        {"a\"b", "a\\\"b"},
        {"\"\"", "\\\"\\\""},
        {"C:\\dir\\file", "C:\\dir\\file"},  // backslashes before other characters stay
        {"a\\\"b", "a\\\\\\\"b"},            // before a quote they double
        {"end\\", "end\\\\"},                // and before the closing quote
        {"end\\\\", "end\\\\\\\\"},
        {"$x; `y` 'z'", "$x; `y` 'z'"},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeQuotedArgument(c.text), c.escaped) << "[" << c.text << "]";
}

// Every name put between quotes the way the command texts do comes back exactly.
TEST(CommandLineTest, EscapedNamesRoundTrip) {
    const Args names = {
        "",
        "two words.mp4",
        "quote\"inside",
        "\"",
        "\"\"",
        "\"lead and trail\"",
        "it's",
        "\\",
        "\\\\",
        "trailing\\",
        "trailing\\\\\\",
        "\\\"",
        "a\\\\\"b\\",
        "C:\\Users\\me\\Videos\\clip 1.mp4",
        "/home/me/My Videos/clip.mkv",
        "$HOME ${x} $(id)",
        "a;b && c | d > e",
        "日本語の動画 (1).mp4",
        "tab\tinside",
        " leading and trailing ",
        "%s %d %%",
    };
    for (const std::string& name : names) {
        const std::string line =
            "ffmpeg -i \"" + EscapeQuotedArgument(name) + "\" \"" + EscapeQuotedArgument(name) + "\" -y";
        EXPECT_EQ(SplitCommandLine(line), (Args{"ffmpeg", "-i", name, name, "-y"})) << "[" << name << "] " << line;
    }
}

}  // namespace
