// The streams of a DVD: audio and subpicture names, the sound heard and the
// subpictures drawn, angles, the NTSC frame count and playing backwards.
#include "DvdFixture.h"
#include "engine/GstGraphParts.h"

#include <gst/gst.h>

#include <QLocale>

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

using velvaro::test::DvdPlayerTest;
using velvaro::test::RunEventsUntil;

// The pitch of the sound reaching the graph's audio output, from the zero
// crossings of its first channel in each buffer.
class PitchProbe {
public:
    explicit PitchProbe(IGraphBuilder& graph) {
        for (const auto& filter : graph.EnumFilters()) {
            const auto* element = dynamic_cast<velvaro::engine::GstFilter*>(filter.get());
            if (element && filter->QueryName() == velvaro::engine::kAudioRendererName) {
                GstIterator* sinks = gst_bin_iterate_sinks(GST_BIN(element->element()));
                GValue item = G_VALUE_INIT;
                if (gst_iterator_next(sinks, &item) == GST_ITERATOR_OK) {
                    pad_ =
                        gst_element_get_static_pad(GST_ELEMENT(g_value_get_object(&item)), "sink");
                    g_value_unset(&item);
                }
                gst_iterator_free(sinks);
            }
        }
        if (pad_) {
            probe_ = gst_pad_add_probe(pad_, GST_PAD_PROBE_TYPE_BUFFER, &OnBuffer, this, nullptr);
        }
    }
    ~PitchProbe() {
        if (pad_) {
            gst_pad_remove_probe(pad_, probe_);
            gst_object_unref(pad_);
        }
    }
    bool Attached() const { return pad_ != nullptr; }
    int Hertz() const { return hertz_; }

private:
    static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        GstCaps* caps = gst_pad_get_current_caps(pad);
        if (!caps) {
            return GST_PAD_PROBE_OK;
        }
        const GstStructure* format = gst_caps_get_structure(caps, 0);
        const std::string sample = gst_structure_get_string(format, "format");
        const char* layout = gst_structure_get_string(format, "layout");
        int rate = 0, channels = 0;
        gst_structure_get_int(format, "rate", &rate);
        gst_structure_get_int(format, "channels", &channels);
        const bool interleaved = !layout || std::string(layout) == "interleaved";
        gst_caps_unref(caps);
        GstMapInfo map;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if ((sample != "F32LE" && sample != "S16LE") || rate <= 0 || channels <= 0 ||
            !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return GST_PAD_PROBE_OK;
        }
        const size_t width = sample == "F32LE" ? 4 : 2;
        const size_t frames = map.size / width / static_cast<size_t>(channels);
        const auto value = [&](size_t frame) {
            const size_t index = interleaved ? frame * static_cast<size_t>(channels) : frame;
            if (width == 4) {
                float f = 0;
                std::memcpy(&f, map.data + index * 4, 4);
                return static_cast<double>(f);
            }
            std::int16_t i = 0;
            std::memcpy(&i, map.data + index * 2, 2);
            return static_cast<double>(i);
        };
        int crossings = 0;
        for (size_t frame = 1; frame < frames; ++frame) {
            crossings += (value(frame - 1) < 0) != (value(frame) < 0);
        }
        gst_buffer_unmap(buffer, &map);
        if (frames > static_cast<size_t>(rate) / 100) {
            static_cast<PitchProbe*>(data)->hertz_ =
                static_cast<int>(std::lround(crossings / 2.0 * rate / static_cast<double>(frames)));
        }
        return GST_PAD_PROBE_OK;
    }

    GstPad* pad_ = nullptr;
    gulong probe_ = 0;
    std::atomic<int> hertz_{0};
};

TEST_F(DvdPlayerTest, NamesTheAudioAndSubpictureStreamsAndSwitchesTheSound) {
    auto player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    const auto stream = [&](int index, int kind) {
        int current = -1;
        std::string name;
        const HRESULT read = player->GetStreamName(index, nullptr, &current, &kind, &name, nullptr);
        return std::tuple(read, name, current);
    };
    for (int kind : {STREAM_AUDIO, STREAM_SUBTITLES}) {
        EXPECT_EQ(player->GetStreamCount(kind), 2) << kind;
        EXPECT_EQ(std::get<1>(stream(0, kind)), "English") << kind;
        EXPECT_EQ(std::get<1>(stream(1, kind)), "German") << kind;
        EXPECT_EQ(std::get<0>(stream(2, kind)), E_FAIL) << kind;
    }
    EXPECT_EQ(stream(0, STREAM_CHAPTERS), std::tuple(S_OK, "001", 1));
    // Subpictures start hidden; showing them leaves the navigator's choice.
    EXPECT_TRUE(player->SubpicturesHidden());
    EXPECT_EQ(player->SelectStream(-2, STREAM_SUBTITLES), S_OK);
    EXPECT_FALSE(player->SubpicturesHidden());
    EXPECT_EQ(player->SelectStream(1, STREAM_AUDIO), S_OK);
    EXPECT_EQ(std::pair(std::get<2>(stream(0, STREAM_AUDIO)), std::get<2>(stream(1, STREAM_AUDIO))),
              std::pair(0, 1));
}

TEST_F(DvdPlayerTest, SwitchesTheSubpictureStreamAndHidesIt) {
    auto player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    ASSERT_EQ(player->Play(), S_OK);
    const auto current = [&](int index) {
        int kind = STREAM_SUBTITLES, flag = -1;
        std::string name;
        player->GetStreamName(index, nullptr, &flag, &kind, &name, nullptr);
        return flag;
    };
    // "Deutsch" in the top band, "English" in the bottom one.
    const auto top = [&] { return player->WhiteIn(20, 120); };
    const auto bottom = [&] { return player->WhiteIn(456, 556); };
    // Asked while the reader is still in the title: it runs ahead of the
    // picture, and past the title's end nothing counts its chapters.
    EXPECT_EQ(player->SelectStream(2, STREAM_SUBTITLES), E_INVALIDARG);
    EXPECT_EQ(player->SelectStream(1, STREAM_CHAPTERS), E_INVALIDARG);
    EXPECT_EQ(player->SelectStream(1, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(std::pair(current(0), current(1)), std::pair(0, 1));
    EXPECT_FALSE(player->SubpicturesHidden());
    EXPECT_TRUE(RunEventsUntil([&] { return top() > 5; }, 3000)) << top();
    EXPECT_EQ(player->SelectStream(0, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(std::pair(current(0), current(1)), std::pair(1, 0));
    EXPECT_TRUE(RunEventsUntil([&] { return bottom() > 5; }, 3000)) << bottom();
    EXPECT_EQ(player->SelectStream(-1, STREAM_SUBTITLES), S_OK);
    EXPECT_TRUE(player->SubpicturesHidden());
    // The unit shown runs out; no new one is drawn.
    EXPECT_TRUE(RunEventsUntil([&] { return top() <= 5 && bottom() <= 5; }, 3000)) << bottom();
}

TEST_F(DvdPlayerTest, PlaysTheSoundOfThePreferredAndTheChosenAudioStream) {
    auto player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    const PitchProbe pitch(*player->Graph());
    ASSERT_TRUE(pitch.Attached());
    // A viewer who prefers German, before the title starts.
    auto control = QueryInterface<IDvdControl2>(player->Graph());
    ASSERT_EQ(control->SelectDefaultAudioLanguage(QLocale::German, 0), S_OK);
    ASSERT_EQ(control->SelectDefaultSubpictureLanguage(QLocale::German, 0), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    ASSERT_EQ(player->Play(), S_OK);
    const auto current = [&](int kind) {
        int flag = -1;
        std::string name;
        player->GetStreamName(1, nullptr, &flag, &kind, &name, nullptr);
        return flag;
    };
    EXPECT_EQ(std::pair(current(STREAM_AUDIO), current(STREAM_SUBTITLES)), std::pair(1, 1));
    // German at 1000 Hz, then English at 440 Hz once the queued sound is out.
    EXPECT_TRUE(RunEventsUntil([&] { return std::abs(pitch.Hertz() - 1000) < 40; }, 3000))
        << pitch.Hertz();
    EXPECT_EQ(player->SelectStream(0, STREAM_AUDIO), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return std::abs(pitch.Hertz() - 440) < 20; }, 4000))
        << pitch.Hertz();
}

TEST_F(DvdPlayerTest, OffersTheOnlyAngleOfATitle) {
    auto player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    int kind = STREAM_ANGLES, current = -1;
    std::string name;
    EXPECT_EQ(player->GetStreamCount(STREAM_ANGLES), 1);
    EXPECT_EQ(player->GetStreamName(0, nullptr, &current, &kind, &name, nullptr), S_OK);
    EXPECT_EQ(std::pair(name, current), std::pair(std::string("001"), 1));
    EXPECT_EQ(player->SelectStream(0, STREAM_ANGLES), S_OK);
    EXPECT_EQ(player->SelectStream(1, STREAM_ANGLES), E_INVALIDARG);
    // Subpictures are there and may be chosen.
    EXPECT_EQ(player->GetSubpictureFlags(), 0u);
}

TEST_F(DvdPlayerTest, CountsFramesAt2997OnAnNtscDisc) {
    auto player = OpenDvd("dvd/ntsc");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    long width = 0, height = 0;
    EXPECT_EQ(player->GetNativeVideoSize(&width, &height), S_OK);
    EXPECT_EQ(std::pair(width, height), std::pair(720L, 480L));
    EXPECT_EQ(player->GetDuration(), 1200);
    ASSERT_EQ(player->Pause(), S_OK);
    EXPECT_EQ(player->SetPosition(1000), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetPosition() >= 900; }));
    // The time code counts 29.97 frames a second, and so does the frame
    // number: 00:00:09:20 is frame 289, where 25 or 30 would give 245 or 290.
    const DVD_PLAYBACK_LOCATION2 location = player->Location();
    EXPECT_EQ(location.TimeCodeFlags, DVD_TC_FLAG_DropFrame);
    const int seconds = location.TimeCode.bSeconds;
    EXPECT_EQ(player->GetCurrentFrame(),
              static_cast<LONGLONG>(seconds * 2997 / 100) + location.TimeCode.bFrames);
}

TEST_F(DvdPlayerTest, PlaysBackwardsAndKeepsTheRateOverASeek) {
    auto player = OpenDvd("dvd/ntsc");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    ASSERT_EQ(player->Play(), S_OK);
    const auto position = [&] { return player->GetPosition(); };
    EXPECT_EQ(player->SetPosition(900), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= 900; }));
    EXPECT_EQ(player->SetRate(-2.0), S_OK);
    EXPECT_EQ(player->GetRate(), -2.0);
    EXPECT_TRUE(RunEventsUntil([&] { return position() <= 700; }, 3000)) << position();
    // A seek goes on backwards from where it lands.
    EXPECT_EQ(player->SetPosition(1100), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() <= 900 && position() > 300; }, 3000))
        << position();
    // Paused, it stays; forwards again from there.
    ASSERT_EQ(player->Pause(), S_OK);
    const int paused = position();
    RunEventsUntil([] { return false; }, 600);
    EXPECT_EQ(position(), paused);
    ASSERT_EQ(player->Play(), S_OK);
    EXPECT_EQ(player->SetRate(1.0), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= paused + 100; }, 3000)) << position();
}

}  // namespace
