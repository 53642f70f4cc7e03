#include "docs/CXmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct BadText {
    const char* text;
    const char* error;
};

class XmlParseErrorTest : public testing::TestWithParam<BadText> {};

TEST_P(XmlParseErrorTest, IsRejectedWithItsMessage) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.SetDocument(GetParam().text));
    EXPECT_EQ(doc.GetError(), GetParam().error);
    EXPECT_FALSE(doc.IsWellFormed());
    EXPECT_FALSE(doc.FindElement());
    EXPECT_EQ(doc.GetDocument(), GetParam().text);
    // The message outlives a later success.
    EXPECT_TRUE(doc.SetDocument("<a></a>"));
    EXPECT_EQ(doc.GetError(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMessage, XmlParseErrorTest,
    testing::Values(BadText{"", "Element tag not found"}, BadText{"abc", "Element tag not found"},
                    BadText{"<!-- only a comment -->", "Element tag not found"},
                    BadText{"<", "Abrupt end within tag"},
                    BadText{"<a><  ", "Abrupt end within tag"}, BadText{"</a>", ""},
                    BadText{"<'a'>", "Tag starts with quote"}, BadText{"<!-- x", "Invalid node"},
                    BadText{"<?xml version='1.0'", "Invalid node"},
                    BadText{"<![CDATA[ x", "Invalid node"},
                    BadText{"<!DOCTYPE a [ <!ENTITY e 'v'> ", "Invalid node"},
                    BadText{"<?", "Invalid node"}, BadText{"<a", "End of tag not found"},
                    BadText{"<a>", "End tag of a element not found"},
                    BadText{"<media>text", "End tag of media element not found"},
                    BadText{"<a><!-- x -->", "Expecting end tag of element a"},
                    BadText{"<a></b>", "End tag does not correspond to a"},
                    BadText{"<a><b></a>", "End tag does not correspond to b"},
                    BadText{"<a></>", "End tag does not correspond to a"},
                    BadText{"<a></a", "End tag not completed for element a"},
                    BadText{"<a></", "End tag not completed for element a"},
                    BadText{"<list><item/></list ", "End tag not completed for element list"}));

TEST(XmlParseTest, SkipsDeclarationsCommentsAndDocumentTypes) {
    CXmlDocument doc;
    ASSERT_TRUE(
        doc.SetDocument("<?xml version=\"1.0\"?>\r\n<!-- <b>not an element</b> -->\r\n"
                        "<!DOCTYPE a [ <!ELEMENT a (#PCDATA)> <!ENTITY e \"]>\"> ]>\r\n"
                        "stray text <a><!-- inside --><?pi x?><b/><![CDATA[<c/>]]></a>"));
    ASSERT_TRUE(doc.FindElement("a"));
    ASSERT_TRUE(doc.FindChildElement("b"));
    EXPECT_FALSE(doc.FindChildElement()) << "only b is an element";
}

TEST(XmlParseTest, AcceptsLooseEndTagsAndIgnoresWhatFollowsTheRoot) {
    for (const char* text :
         {"<a></a>", "<a>< /a >", "<a>\n</a\n>", "<a x='1' >x</a>", "<a/>\r\n<b/> <c"}) {
        CXmlDocument doc;
        EXPECT_TRUE(doc.SetDocument(text)) << text << ": " << doc.GetError();
        EXPECT_TRUE(doc.FindElement("a")) << text;
        EXPECT_FALSE(doc.FindElement()) << text;
    }
}

TEST(XmlParseTest, MultiByteCharactersAreNeverDelimiters) {
    // Names and values in UTF-8, and bytes of a broken sequence next to delimiters.
    CXmlDocument doc;
    ASSERT_TRUE(
        doc.SetDocument("<wurzel\xC3\xA4><\xE2\x82\xAC titel='\xC3\xBC'>\xC3\xA9</\xE2\x82\xAC>"
                        "<x\xC3/></wurzel\xC3\xA4>"));
    ASSERT_TRUE(doc.FindElement("wurzel\xC3\xA4"));
    ASSERT_TRUE(doc.FindChildElement("\xE2\x82\xAC"));
    EXPECT_EQ(doc.GetChildAttribute("titel"), "\xC3\xBC");
    EXPECT_EQ(doc.GetChildData(), "\xC3\xA9");
    EXPECT_TRUE(doc.FindChildElement("x\xC3"));
}

TEST(XmlParseTest, HandlesManyAndDeeplyNestedElements) {
    // More elements than the table is first sized for, and nesting far
    // deeper than any call stack would take.
    const auto repeat = [](const char* part, int times) {
        std::string text;
        for (int i = 0; i < times; ++i) {
            text += part;
        }
        return text;
    };
    const std::string wide = "<r>" + repeat("<e/>", 5000) + "</r>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument(wide));
    ASSERT_TRUE(doc.FindElement("r"));
    int count = 0;
    while (doc.FindChildElement("e")) {
        ++count;
    }
    EXPECT_EQ(count, 5000);

    constexpr int kDepth = 200000;
    EXPECT_FALSE(doc.SetDocument(repeat("<d>", kDepth)));
    EXPECT_EQ(doc.GetError(), "End tag of d element not found");
    const std::string deep = repeat("<d>", kDepth) + repeat("</d>", kDepth);
    EXPECT_TRUE(doc.SetDocument(deep));
}

}  // namespace
