// The model of a filter's settings over real GStreamer elements.
#include "PlayerFixture.h"
#include "engine/ElementProperties.h"

#include <glib.h>

namespace {

using namespace velvaro::engine;
using Value = std::optional<PropertyValue>;
using K = PropertyKind;
using I = std::int64_t;
using U = std::uint64_t;

PropertyInfo Find(const ElementProperties& properties, const std::string& name) {
    const auto all = properties.List();
    const auto found = std::ranges::find(all, name, &PropertyInfo::name);
    return found == all.end() ? PropertyInfo{} : *found;
}

TEST(ElementProperties, EveryKindReadsSetsAndClamps) {
    const struct {
        const char* factory;
        const char* property;
        K kind;
        bool writable;
        PropertyValue set;
        Value after;  // nothing: refused, the value stays
    } cases[] = {
        {"volume", "mute", K::Boolean, true, true, true},
        {"volume", "volume", K::Real, true, 50.0, 10.0},
        {"videocrop", "left", K::Integer, true, I{-(I{1} << 40)}, I{-1}},  // past 32 bits
        {"appsink", "max-lateness", K::Integer, true, I{-5}, I{-1}},
        {"appsink", "max-buffers", K::Unsigned, true, ~U{0}, U{G_MAXUINT}},
        {"appsink", "render-delay", K::Unsigned, true, U{123456789012}, U{123456789012}},
        {"filesrc", "location", K::Text, true, "/tmp/some film.mkv", "/tmp/some film.mkv"},
        {"videoconvertscale", "method", K::Choice, true, I{0}, I{0}},
        {"videoconvertscale", "method", K::Choice, true, I{99}, {}},
        {"playbin", "flags", K::Flags, true, U{0x1}, U{0x1}},
        {"appsink", "caps", K::Serialized, true, "audio/x-raw, rate=(int)48000",
         "audio/x-raw, rate=(int)48000"},
        {"appsink", "caps", K::Serialized, true, "no caps at all (", {}},
        {"appsink", "sync", K::Boolean, true, I{1}, {}},  // a value of another kind
        {"appsink", "eos", K::Boolean, false, false, {}},
        {"appsink", "stats", K::Serialized, false, "", {}},
        {"appsink", "last-sample", K::Description, false, "", {}},
        {"appsink", "name", K::Description, false, "other", {}},  // not offered
    };
    for (const auto& test : cases) {
        const std::string what = std::string(test.factory) + "." + test.property;
        SCOPED_TRACE(what);
        auto properties = ElementProperties::OfNewElement(test.factory);
        ASSERT_TRUE(properties);
        const PropertyInfo info = Find(*properties, test.property);
        const Value before = properties->Get(test.property);
        EXPECT_EQ(properties->Set(test.property, test.set), test.after.has_value());
        EXPECT_EQ(properties->Get(test.property), test.after ? test.after : before);
        EXPECT_EQ(std::tuple(info.name.empty(), info.kind, info.writable),
                  std::tuple(what == "appsink.name", test.kind, test.writable));
    }
    EXPECT_EQ(ElementProperties::OfNewElement("no-such-element"), nullptr);
}

// Properties changeable only up to some state wait for it; the model keeps
// its element alive after the graph has gone.
TEST(ElementProperties, FollowTheFiltersStateAndOutliveItsGraph) {
    auto graph = CreateFilterGraph();
    ASSERT_EQ(graph->RenderFile(velvaro::test::Media("multi.mkv")), S_OK);
    std::shared_ptr<IBaseFilter> source;
    ASSERT_EQ(graph->FindFilterByName("File Source", &source), S_OK);
    // The source has pages, so it has properties; "location" changes up to READY only.
    auto properties = source->QueryProperties();
    EXPECT_FALSE(Find(*properties, "location").writable ||
                 properties->Set("location", "elsewhere"));
    graph.reset();
    EXPECT_EQ(properties->Get("location"), Value(velvaro::test::Media("multi.mkv")));
    EXPECT_TRUE(properties->Set("blocksize", U{8192}));
    EXPECT_EQ(properties->Get("blocksize"), Value(U{8192}));
}

// Every setting is taken as it is, or at its maximum when it fits a spin box.
class EveryElement : public testing::TestWithParam<const char*> {};

TEST_P(EveryElement, ShowsAndTakesEverySettingWithoutComplaint) {
    auto properties = ElementProperties::OfNewElement(GetParam());
    if (!properties) {
        GTEST_SKIP() << GetParam() << " is not installed";
    }
    // A GLib warning or critical, the element misused, fails the test.
    for (const PropertyInfo& info : properties->List()) {
        Value value = properties->Get(info.name);
        ASSERT_TRUE(value) << info.name;
        if (info.kind == K::Boolean) {
            value = !std::get<bool>(*value);
        } else if (info.kind == K::Integer && info.integerMaximum <= G_MAXINT) {
            value = info.integerMaximum;
        } else if (info.kind == K::Unsigned && info.unsignedMaximum <= G_MAXINT) {
            value = info.unsignedMaximum;
        }
        for (const auto& choice : info.choices) {  // flags offer single bits
            EXPECT_TRUE(info.kind == K::Choice || (choice.value & (choice.value - 1)) == 0);
        }
        properties->Set(info.name, *value);
    }
}

INSTANTIATE_TEST_SUITE_P(ElementProperties, EveryElement,
                         testing::Values("volume", "audiopanorama", "videocrop",
                                         "videoconvertscale", "appsink", "filesrc", "decodebin3",
                                         "avdec_h264", "matroskademux", "fakesink",
                                         "subtitleoverlay", "playbin", "queue", "tee"));

}  // namespace
