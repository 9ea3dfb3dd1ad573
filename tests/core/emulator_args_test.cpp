// The option template split into arguments by the Windows command-line rules,
// and placeholder values put in without ever being split or re-read.
#include "emulator/command_line.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

Args split(std::string_view options, const std::vector<std::string_view>& names = {"$image"},
           const std::vector<std::string>& values = {"V"})
{
    return klmBuildArguments(klmSplitOptions(options, names), values);
}

TEST(OptionSplit, WindowsCommandLineRules)
{
    struct Case {
        std::string options;
        Args args;
    } cases[] = {
        {"", {}},
        {" \t ", {}},
        {"a  b\t c ", {"a", "b", "c"}},
        {R"("a b c" d e)", {"a b c", "d", "e"}},
        {R"("ab\"c" "\\" d)", {"ab\"c", "\\", "d"}},
        {R"(a\\\b d"e f"g h)", {"a\\\\\\b", "de fg", "h"}},
        {R"(a\\\"b c d)", {"a\\\"b", "c", "d"}},
        {R"(a\\\\"b c" d e)", {"a\\\\b c", "d", "e"}},
        {R"(x\\)", {"x\\\\"}},
        {R"("")", {""}},           // quotes alone make an empty argument
        {R"(a "" b)", {"a", "", "b"}},
        {R"(")", {""}},
        {R"(""")", {"\""}},        // three quotes: a literal quote
        {R"("a"" b")", {"a\"", "b"}},  // a doubled quote inside ends the quoted part
        {R"(\")", {"\""}},
        {R"("C:\Program Files\emu\" x)", {"C:\\Program Files\\emu\" x"}},  // the known trailing-backslash trap
        {std::string("a\0b c", 5), {"a"}},  // the field ends at a NUL
    };
    for (const Case& c : cases)
        EXPECT_EQ(split(c.options, {}), c.args) << c.options;
}

TEST(OptionSplit, DoubleByteCharactersAreWhole)
{
    // The trail byte of "ソ" is 0x5C: taken for a backslash it would escape
    // the quote and glue the arguments together.
    EXPECT_EQ(split(sj("ソ\"x y\" z"), {}), (Args{"ソx y", "z"}));
    EXPECT_EQ(split(sj("\"表示\" -f"), {}), (Args{"表示", "-f"}));
    EXPECT_EQ(split(sj("ソ$image"), {"$image"}, {"/r"}), (Args{"ソ/r"}));
}

TEST(OptionSplit, PlaceholderValuesAreOneArgumentPartVerbatim)
{
    const std::string hostile = "/roms/-rf a \"b\" ;$(rm -rf ~)\n`x` \\\" $disk2.nes";
    struct Case {
        std::string options;
        Args args;
    } cases[] = {
        {"$image", {hostile}},
        {"-rom $image", {"-rom", hostile}},
        {"--file=$image", {"--file=" + hostile}},
        {"\"$image\"", {hostile}},
        {"$image $image", {hostile, hostile}},
        {"\"$ima\"ge", {"$image"}},   // not a placeholder in the template itself
        {"$images", {hostile + "s"}},
        {"$image $disk1", {hostile, "$disk1"}},  // another mode's placeholder stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(split(c.options, {"$image"}, {hostile}), c.args) << c.options;

    // Values are never searched for placeholders: a first disc whose path
    // holds "$disk2" keeps it.
    EXPECT_EQ(split("$disk1 $disk2", {"$disk1", "$disk2"}, {"/a/$disk2", "/b"}), (Args{"/a/$disk2", "/b"}));
}

TEST(OptionSplit, EmptyValuesVanishUnlessQuoted)
{
    EXPECT_EQ(split("-x $image -y", {"$image"}, {""}), (Args{"-x", "-y"}));
    EXPECT_EQ(split("-x \"$image\" -y", {"$image"}, {""}), (Args{"-x", "", "-y"}));
    EXPECT_EQ(split("-rom=$image", {"$image"}, {""}), (Args{"-rom="}));
}

}  // namespace
