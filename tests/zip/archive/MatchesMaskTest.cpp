#include <gtest/gtest.h>

#include "zip/MatchesMask.h"

TEST(MatchesMask, Table)
{
    struct Row {
        const char* mask;
        const char* name;
        bool matches;
    };
    const Row rows[] = {
        {"*.txt", "notes.txt", true},
        {"*.txt", "notes.txt.bak", false},
        {"[a-c]*", "b.dat", true},
        {"[!a-c]*", "b.dat", false},
        {"[]x", "x", false},            // empty set: malformed
        {"abc*", "abc", true},
        {"ZIPDATA", "zipdata", true},
        // beyond the table
        {"[^a-c]*", "d.dat", true},
        {"[c-a]?", "bz", true},         // a range in either order
        {"[a-", "a", false},            // not closed
        {"[a-]", "a", false},           // range without its end
        {"[abc", "a", false},
        {"?", "", false},
        {"?", "ab", false},
        {"a?c", "abc", true},
        {"*", "", true},
        {"**", "x", true},
        {"*a*b*c", "xxaxxbxxbxc", true},
        {"*a*b*c", "xxaxxbxxbx", false},
        {"*.", "readme.", true},
        {"*.", "readme.txt", false},
        {"", "", true},
        {"", "a", false},
        {"A*B", "axxb", true},
        {"?.txt", "\xc3\xa9.txt", true},   // '?' takes one character, not one byte
        {"[\xc3\xa0-\xc3\xbf]", "\xc3\xa9", true},
        {"*\xff", "a\xff", true},          // bytes that are not UTF-8 still match themselves
    };
    for (const Row& r : rows)
        EXPECT_EQ(MatchesMask(r.mask, r.name), r.matches) << r.mask << " / " << r.name;
}

TEST(MatchesMask, ManyStarsStayFast)
{
    // Backtracking over the last star only: no blow-up on hostile masks.
    const std::string name(5000, 'a');
    EXPECT_FALSE(MatchesMask("*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(MatchesMask("*a*a*a*a*a*a*a*a*a*a*", name));
}
