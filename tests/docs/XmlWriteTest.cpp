#include "docs/CXmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(XmlWriteTest, WritesAPlaylistOneElementPerLine) {
    CXmlDocument doc;  // never parsed: adding works all the same
    ASSERT_TRUE(doc.AddElement("velvaro"));
    ASSERT_TRUE(doc.SetAttribute("build", "1.2.0.3"));
    ASSERT_TRUE(doc.AddChildElement("playlist"));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.AddChildElement("media", "C:\\one.avi"));
    ASSERT_TRUE(doc.SetChildAttribute("audio", ""));
    ASSERT_TRUE(doc.AddChildElement("media", "a<b & c>d"));
    ASSERT_TRUE(doc.SetChildAttribute("audio", "it's \"x\""));
    const std::string expected =
        "<velvaro build=\"1.2.0.3\">\r\n"
        "<playlist>\r\n"
        "<media audio=\"\">C:\\one.avi</media>\r\n"
        "<media audio=\"it&apos;s &quot;x&quot;\">a&lt;b &amp; c&gt;d</media>\r\n"
        "</playlist>\r\n"
        "</velvaro>\r\n";
    EXPECT_EQ(doc.GetDocument(), expected);
}

TEST(XmlWriteTest, ChildrenUnderAnEmptyElement) {
    for (const char* parent : {"<p/>", "<p></p>"}) {
        CXmlDocument doc;
        ASSERT_TRUE(doc.SetDocument(parent));
        ASSERT_TRUE(doc.FindElement("p"));
        ASSERT_TRUE(doc.AddChildElement("c"));
        EXPECT_EQ(doc.GetDocument(), "<p>\r\n<c/>\r\n</p>") << parent;
        ASSERT_TRUE(doc.AddChildElement("d", "x"));
        EXPECT_EQ(doc.GetDocument(), "<p>\r\n<c/>\r\n<d>x</d>\r\n</p>") << parent;
        ASSERT_TRUE(doc.SetAttribute("a", "1"));
        EXPECT_EQ(doc.GetDocument(), "<p a=\"1\">\r\n<c/>\r\n<d>x</d>\r\n</p>") << parent;
    }
}

TEST(XmlWriteTest, AddsAfterTheCurrentElementOrAtTheEndOfTheLevel) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r>\r\n<a/>\r\n<b>text</b>\r\n</r>\r\n"));
    ASSERT_TRUE(doc.FindChildElement("a"));
    ASSERT_TRUE(doc.AddChildElement("x"));  // after the current child
    ASSERT_TRUE(doc.IntoElement());         // x is the current element now
    ASSERT_TRUE(doc.AddElement("y", "1"));  // after it, at a's level
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.AddElement("z"));  // y has no children: z goes into it
    EXPECT_EQ(doc.GetDocument(),
              "<r>\r\n<a/>\r\n<x/>\r\n<y>1<z/>\r\n</y>\r\n<b>text</b>\r\n</r>\r\n");
}

TEST(XmlWriteTest, SetsAttributesInPlace) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r><e a=\"1\" b='old'/><f>x</f></r>"));
    ASSERT_TRUE(doc.FindChildElement("e"));
    ASSERT_TRUE(doc.SetChildAttribute("b", "new & <more>"));
    ASSERT_TRUE(doc.SetChildAttribute("c", "q\"q"));
    ASSERT_TRUE(doc.SetAttribute("v", "1"));
    EXPECT_EQ(doc.GetDocument(),
              "<r v=\"1\"><e a=\"1\" b='new &amp; &lt;more&gt;' c=\"q&quot;q\"/><f>x</f></r>");
    EXPECT_EQ(doc.GetChildAttribute("b"), "new & <more>");
    EXPECT_EQ(doc.GetChildAttribute("c"), "q\"q");
}

TEST(XmlWriteTest, LaterElementsFollowEveryWrite) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r><l><i/><i>2</i></l><m k='v'>tail</m></r>"));
    ASSERT_TRUE(doc.FindChildElement("l"));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindChildElement("i"));
    ASSERT_TRUE(doc.AddChildElement("n", "new"));
    const std::string longValue(300, 'x');
    ASSERT_TRUE(doc.SetChildAttribute("long", longValue));
    ASSERT_TRUE(doc.SetAttribute("s", "1"));
    EXPECT_EQ(doc.GetChildData(), "new");
    EXPECT_EQ(doc.GetChildAttribute("long"), longValue);
    ASSERT_TRUE(doc.FindChildElement("i"));
    EXPECT_EQ(doc.GetChildData(), "2");
    EXPECT_TRUE(doc.FindElement("m"));

    EXPECT_EQ(doc.GetDocument(), "<r><l s=\"1\"><i/><n long=\"" + longValue +
                                     "\">new</n>\r\n<i>2</i></l><m k='v'>tail</m></r>");
}

TEST(XmlWriteTest, RefusesWithoutATargetAndAddsOneRoot) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.AddChildElement("c")) << "no current element";
    EXPECT_FALSE(doc.SetAttribute("a", "1"));
    EXPECT_FALSE(doc.SetChildAttribute("a", "1"));
    EXPECT_FALSE(doc.SetDocument(""));
    ASSERT_TRUE(doc.AddElement("a"));
    EXPECT_TRUE(doc.IsWellFormed());
    EXPECT_FALSE(doc.AddElement("b")) << "a document has one root";
    EXPECT_EQ(doc.GetDocument(), "<a/>\r\n");
    ASSERT_TRUE(doc.SetDocument("<r x='a>b'></r>"));
    ASSERT_TRUE(doc.FindElement());
    EXPECT_FALSE(doc.SetAttribute("x", "1")) << "the value holds the start tag's end";
    EXPECT_EQ(doc.GetDocument(), "<r x='a>b'></r>");
}

}  // namespace
