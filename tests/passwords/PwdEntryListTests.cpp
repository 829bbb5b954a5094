// SPDX-License-Identifier: GPL-3.0-or-later
// The sorted line list of the password table and its comparison of names.
#include "PwdTestSupport.h"

using namespace pwtest;

namespace {

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

struct CompareCase
{
    std::string a;
    std::string b;
    int sign;
};

class CompareTextCases : public ::testing::TestWithParam<CompareCase>
{
};

TEST_P(CompareTextCases, OrdersWithLetterCaseIgnored)
{
    const CompareCase& c = GetParam();
    // Texts equal but for letter case stay apart where the file system tells them apart.
    const int expected = c.sign == 0 && kCaseSensitiveNames && c.a != c.b ? Sign(c.a.compare(c.b)) : c.sign;
    EXPECT_EQ(Sign(CompareText(c.a, c.b)), expected);
    EXPECT_EQ(Sign(CompareText(c.b, c.a)), -expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CompareTextCases,
    ::testing::Values(CompareCase{"/Docs/Report.TXT", "/docs/report.txt", 0}, CompareCase{"", "", 0},
                      CompareCase{"a", "B", -1}, CompareCase{"ab", "A", 1}, CompareCase{"", "a", -1},
                      // "=" is a character like any other: "/a b=" sorts before "/a=".
                      CompareCase{"/a=1", "/a b=1", 1},
                      // Beyond ASCII: Unicode lower case, code point by code point.
                      CompareCase{"/\xC3\x84rger", "/\xC3\xA4RGER", 0}, CompareCase{"\xCE\xA3", "\xCF\x83", 0},
                      CompareCase{"z", "\xC3\xA4", -1},
                      // Bytes that are not UTF-8 equal only themselves and sort after every character.
                      CompareCase{"\xE4", "\xC3\xA4", 1}, CompareCase{"\xC4", "\xE4", -1},
                      CompareCase{"\xF4\x8F\xBF\xBF", "\xF5\x80\x80\x80", -1}, CompareCase{"\xC0\xAF", "/", 1}));

TEST(PwdEntryList, KeepsLinesSortedIgnoringCase)
{
    PwdEntryList list;
    for (const char* line : {"/c=3", "/A=1", "/b=2", "/B b=4", "/0=0"})
        EXPECT_TRUE(list.Add(line));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"/0=0", "/A=1", "/B b=4", "/b=2", "/c=3"}));
}

TEST(PwdEntryList, IgnoresAnEqualLine)
{
    PwdEntryList list;
    EXPECT_TRUE(list.Add("/a=x"));
    EXPECT_TRUE(list.Add("/b=y"));
    EXPECT_FALSE(list.Add("/a=x"));
    EXPECT_TRUE(list.Add("/a=y"));
    // A line that differs only in letter case is the same line only where names ignore case.
    EXPECT_EQ(list.Add("/A=X"), kCaseSensitiveNames);
    const std::vector<std::string> expected = kCaseSensitiveNames
                                                  ? std::vector<std::string>{"/A=X", "/a=x", "/a=y", "/b=y"}
                                                  : std::vector<std::string>{"/a=x", "/a=y", "/b=y"};
    EXPECT_EQ(Lines(list), expected);
}

TEST(PwdEntryList, FindsANameBeforeTheFirstEquals)
{
    PwdEntryList list;
    for (const char* line : {"/a=1", "/a b=2", "no-equals", "/B=x=y", "=nameless", ""})
        list.Add(line);
    ASSERT_EQ(Lines(list), (std::vector<std::string>{"", "/a b=2", "/a=1", "/B=x=y", "=nameless", "no-equals"}));

    struct Lookup
    {
        const char* name;
        long index;
        const char* value;
    };
    for (const Lookup& l :
         {Lookup{"/a", 2, "1"}, Lookup{"/a b", 1, "2"}, Lookup{"/B", 3, "x=y"}, Lookup{"", 4, "nameless"}}) {
        SCOPED_TRACE(l.name);
        ASSERT_EQ(list.IndexOfName(l.name), l.index);
        EXPECT_EQ(list.Value(static_cast<std::size_t>(l.index)), l.value);
    }
    for (const char* missing : {"no-equals", "/a=1", "/c", "/a "})
        EXPECT_EQ(list.IndexOfName(missing), PwdEntryList::kNotFound) << missing;
    EXPECT_EQ(list.IndexOfName("/a", 3), PwdEntryList::kNotFound);
    EXPECT_EQ(list.IndexOfName("/A"), kCaseSensitiveNames ? PwdEntryList::kNotFound : 2);
}

TEST(PwdEntryList, DeletesAndClears)
{
    PwdEntryList list;
    for (const char* line : {"/a=1", "/b=2", "/c=3"})
        list.Add(line);
    list.Delete(1);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"/a=1", "/c=3"}));
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(list.Add("/a=1"));
}

} // namespace
