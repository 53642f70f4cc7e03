#include "docs/CXmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kPlaylist[] =
    "<?xml version=\"1.0\"?>\r\n"
    "<velvaro build=\"1.2.0.3\">\r\n"
    "<playlist>\r\n"
    "<media audio=\"a1.mp3\">one.avi</media>\r\n"
    "<note/>\r\n"
    "<media audio='a &amp; 2'>two.avi</media>\r\n"
    "</playlist>\r\n"
    "</velvaro>\r\n";

// Walks the document the way the bookmark and playlist readers do.
std::vector<std::string> ReadItems(CXmlDocument& doc, const char* list, const char* item) {
    std::vector<std::string> items;
    if (!doc.FindElement("velvaro") || !doc.FindChildElement(list) || !doc.IntoElement()) {
        return items;
    }
    while (doc.FindChildElement(item)) {
        items.push_back(doc.GetChildData() + "|" + doc.GetChildAttribute("audio"));
    }
    return items;
}

TEST(XmlNavigateTest, WalksLevelByLevelAsTheReadersDo) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument(kPlaylist));
    EXPECT_EQ(ReadItems(doc, "playlist", "media"),
              (std::vector<std::string>{"one.avi|a1.mp3", "two.avi|a & 2"}));
    // A new SetDocument starts the walk afresh.
    ASSERT_TRUE(doc.SetDocument(kPlaylist));
    EXPECT_EQ(ReadItems(doc, "playlist", "note"), (std::vector<std::string>{"|"}));
}

TEST(XmlNavigateTest, FailuresLeaveThePositionAlone) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.FindElement()) << "nothing parsed yet";
    EXPECT_FALSE(doc.FindChildElement());
    EXPECT_FALSE(doc.IntoElement());
    ASSERT_TRUE(doc.SetDocument(kPlaylist));
    EXPECT_FALSE(doc.IntoElement()) << "no current element";
    // The implicit FindElement stays even when no child matches.
    EXPECT_FALSE(doc.FindChildElement("missing"));
    EXPECT_FALSE(doc.FindElement()) << "velvaro is current and has no sibling";
    ASSERT_TRUE(doc.FindChildElement("playlist"));
    EXPECT_FALSE(doc.FindChildElement("playlist"));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindChildElement("media"));
    EXPECT_EQ(doc.GetChildData(), "one.avi");
    ASSERT_TRUE(doc.IntoElement()) << "media becomes the current element, without a child";
    EXPECT_EQ(doc.GetChildData(), "");
    EXPECT_TRUE(doc.IntoElement()) << "leaves no current element";
    EXPECT_FALSE(doc.IntoElement());
    EXPECT_FALSE(doc.SetChildAttribute("a", "1"));
}

TEST(XmlNavigateTest, NextElementStartsAfreshAmongItsChildren) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r><a><i/></a><a><j/></a></r>"));
    ASSERT_TRUE(doc.FindChildElement("a"));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindChildElement("i"));
    ASSERT_TRUE(doc.FindElement("a"));
    EXPECT_TRUE(doc.FindChildElement("j"));
}

TEST(XmlNavigateTest, NamesMatchByPrefixUpToASeparator) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<root><media/><Media/></root>"));
    ASSERT_TRUE(doc.FindElement("root"));
    for (const char* name : {"medi", "mediax", "MEDIA"}) {
        EXPECT_FALSE(doc.FindChildElement(name)) << name;
    }
    for (const char* name : {"media", "media/x", "media x", "media=", "media[1]"}) {
        ASSERT_TRUE(doc.SetDocument("<root><Media/><media/></root>"));
        EXPECT_TRUE(doc.FindChildElement(name)) << name;
        EXPECT_FALSE(doc.FindChildElement(name)) << "case-sensitive: Media is another name";
    }
}

// With a name, the attribute of e; without, its data.
TEST(XmlValueTest, ReadsQuotedAttributesContentCdataAndEntities) {
    const struct {
        const char* element;
        const char* attribute;
        const char* value;
    } cases[] = {
        {"<e a=\"1\" b='2'></e>", "b", "2"},
        {"<e a = \"x y\"\r\n></e>", "a", "x y"},
        {"<e A=\"1\"></e>", "a", ""},
        {"<e a=1></e>", "a", ""},
        {"<e a></e>", "a", ""},
        {"<e a=\"\"></e>", "a", ""},
        {"<e b=\"a\" a='&lt;&#65;&amp;lt;&quot;'></e>", "a", "<&#65;&lt;\""},
        {"<e x=\"1>2\" y=\"3\"></e>", "y", "3"},
        {"<e x=\"1>2\"></e>", "x", "1>2"},
        {"<e> a=\"1\"</e>", "a", ""},
        {"<e> x &lt; y &gt; &apos; </e>", nullptr, " x < y > ' "},
        {"<e> <![CDATA[x<y&amp;]]> </e>", nullptr, "x<y&amp;"},
        {"<e><![CDATA[]]></e>", nullptr, ""},
        {"<e>&amp;lt;&#65;&unknown;&</e>", nullptr, "&lt;&#65;&unknown;&"},
        {"<e>\r\n</e>", nullptr, "\r\n"},
        {"<e></e>", nullptr, ""},
        {"<e/>", nullptr, ""},
        {"<e>text<c/>more</e>", nullptr, ""},
    };
    for (const auto& c : cases) {
        CXmlDocument doc;
        ASSERT_TRUE(doc.SetDocument(std::string("<r>") + c.element + "</r>")) << c.element;
        ASSERT_TRUE(doc.FindChildElement("e")) << c.element;
        EXPECT_EQ(c.attribute ? doc.GetChildAttribute(c.attribute) : doc.GetChildData(), c.value)
            << c.element;
    }
}

}  // namespace
