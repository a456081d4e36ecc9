// Links found in the plain text of the notes.
#include <gtest/gtest.h>

#include "ui/controls/LinkDetection.h"

namespace {

std::vector<std::u16string> Found(const std::u16string& text)
{
    std::vector<std::u16string> links;
    for (const TTextLink& link : FindLinks(text))
        links.push_back(text.substr(static_cast<size_t>(link.Min), static_cast<size_t>(link.Max - link.Min)));
    return links;
}

using L = std::vector<std::u16string>;

TEST(LinkDetectionTest, SchemesAndWwwStartALinkThatRunsToTheNextBlank)
{
    EXPECT_EQ(Found(u"see http://example.com/a?b=1 now"), L{u"http://example.com/a?b=1"});
    EXPECT_EQ(Found(u"HTTPS://X.ORG"), L{u"HTTPS://X.ORG"});
    EXPECT_EQ(Found(u"mail mailto:me@example.com or www.example.com\tok"),
              (L{u"mailto:me@example.com", u"www.example.com"}));
    EXPECT_EQ(Found(u"file:///tmp/x.txt"), L{u"file:///tmp/x.txt"});
    EXPECT_EQ(Found(u"two\nlines http://a.b\nnext"), L{u"http://a.b"});
}

TEST(LinkDetectionTest, SentencePunctuationAndStrayBracketsStayOutside)
{
    EXPECT_EQ(Found(u"Go to www.example.com."), L{u"www.example.com"});
    EXPECT_EQ(Found(u"(see http://example.com/page)"), L{u"http://example.com/page"});
    EXPECT_EQ(Found(u"http://en.wikipedia.org/wiki/Foo_(bar), then"), L{u"http://en.wikipedia.org/wiki/Foo_(bar)"});
    EXPECT_EQ(Found(u"<http://a.b>"), L{u"http://a.b"});
}

TEST(LinkDetectionTest, NoLinkInsideAWordOrWithoutAnAddress)
{
    EXPECT_TRUE(Found(u"xhttp://a.b").empty());
    EXPECT_TRUE(Found(u"http:// alone").empty());
    EXPECT_TRUE(Found(u"www.").empty());
    EXPECT_TRUE(Found(u"").empty());
    EXPECT_TRUE(Found(u"plain text with no links").empty());
    // Positions count UTF-16 units, as the editor does.
    const auto links = FindLinks(u"\u00e4\U0001F600 www.x.y");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].Min, 4);
}

} // namespace
