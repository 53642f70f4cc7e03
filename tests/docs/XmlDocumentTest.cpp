// The markup document: parsing, navigation, reads and writes, and the fuzz
// target's checks over its corpus. The playlist and bookmark files show the
// whole written form.
#include "FileBytes.h"
#include "docs/CXmlDocument.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string Repeat(const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += part;
    }
    return text;
}

TEST(XmlParseTest, BadTextIsRejectedWithItsMessageAndKept) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "Element tag not found"},
        {"<!-- only a comment -->", "Element tag not found"},
        {"<", "Abrupt end within tag"},
        {"<a><  ", "Abrupt end within tag"},
        {"</a>", ""},
        {"<'a'>", "Tag starts with quote"},
        {"<!-- x", "Invalid node"},
        {"<?xml version='1.0'", "Invalid node"},
        {"<![CDATA[ x", "Invalid node"},
        {"<!DOCTYPE a [ <!ENTITY e 'v'> ", "Invalid node"},
        {"<?", "Invalid node"},
        {"<a", "End of tag not found"},
        {"<media>text", "End tag of media element not found"},
        {"<a><!-- x -->", "Expecting end tag of element a"},
        {"<a></b>", "End tag does not correspond to a"},
        {"<a><b></a>", "End tag does not correspond to b"},
        {"<a></>", "End tag does not correspond to a"},
        {"<a></a", "End tag not completed for element a"},
        {"<list><item/></list ", "End tag not completed for element list"}};
    for (const auto& [text, error] : cases) {
        SCOPED_TRACE(text);
        CXmlDocument doc;
        EXPECT_FALSE(doc.SetDocument(text));
        EXPECT_EQ(doc.GetError(), error);
        EXPECT_FALSE(doc.IsWellFormed());
        EXPECT_FALSE(doc.FindElement());
        EXPECT_EQ(doc.GetDocument(), text);
        // The message outlives a later success.
        EXPECT_TRUE(doc.SetDocument("<a></a>"));
        EXPECT_EQ(doc.GetError(), error);
    }
}

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

// More elements than the table is first sized for, and nesting far deeper
// than any call stack would take.
TEST(XmlParseTest, HandlesManyAndDeeplyNestedElements) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r>" + Repeat("<e/>", 5000) + "</r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    int count = 0;
    while (doc.FindChildElement("e")) {
        ++count;
    }
    EXPECT_EQ(count, 5000);
    constexpr int kDepth = 200000;
    EXPECT_FALSE(doc.SetDocument(Repeat("<d>", kDepth)));
    EXPECT_EQ(doc.GetError(), "End tag of d element not found");
    EXPECT_TRUE(doc.SetDocument(Repeat("<d>", kDepth) + Repeat("</d>", kDepth)));
}

TEST(XmlNavigateTest, FailuresLeaveThePositionAlone) {
    CXmlDocument doc;
    EXPECT_FALSE(doc.FindElement()) << "nothing parsed yet";
    EXPECT_FALSE(doc.FindChildElement());
    EXPECT_FALSE(doc.IntoElement());
    ASSERT_TRUE(doc.SetDocument("<velvaro><playlist><media>one.avi</media></playlist></velvaro>"));
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
        // A new document starts the walk afresh.
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

// Values are escaped and keep the quotes they had; everything behind a write
// moves along with it, so it is still found and read.
TEST(XmlWriteTest, SetsAttributesInPlaceAndLaterElementsFollowEveryWrite) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.SetDocument("<r><l><i/><e a=\"1\" b='old'/></l><m k='v'>tail</m></r>"));
    ASSERT_TRUE(doc.FindChildElement("l"));
    ASSERT_TRUE(doc.IntoElement());
    ASSERT_TRUE(doc.FindChildElement("i"));
    ASSERT_TRUE(doc.AddChildElement("n", "new"));
    const std::string longValue(300, 'x');
    ASSERT_TRUE(doc.SetChildAttribute("long", longValue));
    ASSERT_TRUE(doc.SetAttribute("s", "1"));
    EXPECT_EQ(doc.GetChildData() + doc.GetChildAttribute("long"), "new" + longValue);
    ASSERT_TRUE(doc.FindChildElement("e"));
    ASSERT_TRUE(doc.SetChildAttribute("b", "new & <more>"));
    ASSERT_TRUE(doc.SetChildAttribute("c", "it's \"q\""));
    EXPECT_EQ(doc.GetChildAttribute("b"), "new & <more>");
    EXPECT_EQ(doc.GetChildAttribute("c"), "it's \"q\"");
    EXPECT_TRUE(doc.FindElement("m"));
    EXPECT_EQ(doc.GetDocument(), "<r><l s=\"1\"><i/><n long=\"" + longValue +
                                     "\">new</n>\r\n<e a=\"1\" b='new &amp; &lt;more&gt;' "
                                     "c=\"it&apos;s &quot;q&quot;\"/></l><m k='v'>tail</m></r>");
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

// The inputs the fuzz target starts from and every input that once failed.
TEST(XmlFuzzCorpusTest, EveryInputPassesTheFuzzTargetsChecks) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VELVARO_FUZZ_CORPUS)) {
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = velvaro::test::ReadBytes(entry.path());
        // A failed check aborts, naming itself.
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    EXPECT_GT(count, 0);
}

}  // namespace
