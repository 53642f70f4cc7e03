// The streams of a DVD, the sound heard and subpictures drawn; an NTSC disc.
#include "DvdFixture.h"
#include "engine/GstGraphParts.h"
#include "engine/GstHandles.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <QLocale>

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

using namespace velvaro::engine;
using namespace velvaro::test;

// The pitch of the sound the audio renderer plays, from the zero crossings
// of the first channel of each buffer leaving its panorama, which gives
// interleaved F32LE or S16LE.
class PitchProbe {
public:
    explicit PitchProbe(IGraphBuilder& graph) {
        std::shared_ptr<IBaseFilter> renderer;
        graph.FindFilterByName(kAudioRendererName, &renderer);
        if (auto* bin = dynamic_cast<GstFilter*>(renderer.get())) {
            const GstElementHandle panorama(
                gst_bin_get_by_name(GST_BIN(bin->element()), "panorama"));
            pad_.reset(panorama ? gst_element_get_static_pad(panorama.get(), "src") : nullptr);
        }
        if (pad_) {
            probe_ =
                gst_pad_add_probe(pad_.get(), GST_PAD_PROBE_TYPE_BUFFER, &OnBuffer, this, nullptr);
        }
    }
    ~PitchProbe() {
        if (pad_) {
            gst_pad_remove_probe(pad_.get(), probe_);
        }
    }
    bool Attached() const { return pad_ != nullptr; }
    int Hertz() const { return hertz_; }

private:
    static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        const GstCapsHandle caps(gst_pad_get_current_caps(pad));
        GstAudioInfo format;
        GstMapInfo map;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (!caps || !gst_audio_info_from_caps(&format, caps.get()) ||
            !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return GST_PAD_PROBE_OK;
        }
        const bool floats = GST_AUDIO_INFO_FORMAT(&format) == GST_AUDIO_FORMAT_F32LE;
        const size_t frames = map.size / GST_AUDIO_INFO_BPF(&format);
        const auto negative = [&](size_t frame) {
            const std::uint8_t* at = map.data + frame * GST_AUDIO_INFO_BPF(&format);
            float f = 0;
            std::int16_t i = 0;
            floats ? std::memcpy(&f, at, 4) : std::memcpy(&i, at, 2);
            return f < 0 || i < 0;
        };
        int crossings = 0;
        for (size_t frame = 1; frame < frames; ++frame) {
            crossings += negative(frame - 1) != negative(frame);
        }
        gst_buffer_unmap(buffer, &map);
        const int rate = GST_AUDIO_INFO_RATE(&format);
        if (frames > static_cast<size_t>(rate) / 100) {
            static_cast<PitchProbe*>(data)->hertz_ =
                static_cast<int>(std::lround(crossings / 2.0 * rate / static_cast<double>(frames)));
        }
        return GST_PAD_PROBE_OK;
    }

    GstPadHandle pad_;
    gulong probe_ = 0;
    std::atomic<int> hertz_{0};
};

// Subpictures start hidden, and showing them leaves the navigator's choice;
// the stream chosen is drawn, and hidden again it goes.
TEST_F(DvdPlayerTest, NamesSwitchesAndHidesTheStreamsAndOffersTheOnlyAngle) {
    auto player = OpenDvdIn("dvd/streams", DVD_DOMAIN_Title, false);
    ASSERT_TRUE(player);
    for (int kind : {STREAM_AUDIO, STREAM_SUBTITLES}) {
        const List streams = Streams(*player, kind);
        EXPECT_TRUE(streams.size() == 2 && streams[0].starts_with("English:") &&
                    streams[1].starts_with("German:"))
            << kind;
        int flags = 0;
        std::string name;
        EXPECT_EQ(player->GetStreamName(2, nullptr, &flags, &kind, &name, nullptr), E_FAIL);
    }
    EXPECT_EQ(Streams(*player, STREAM_CHAPTERS).at(0), "001:1");
    EXPECT_EQ(Streams(*player, STREAM_ANGLES), List{"001:1"});
    EXPECT_EQ(player->SelectStream(0, STREAM_ANGLES), S_OK);
    EXPECT_EQ(player->SelectStream(1, STREAM_ANGLES), E_INVALIDARG);
    EXPECT_EQ(player->GetSubpictureFlags(), 0u) << "subpictures are there and may be chosen";
    EXPECT_TRUE(player->SubpicturesHidden());
    EXPECT_EQ(player->SelectStream(-2, STREAM_SUBTITLES), S_OK);
    EXPECT_FALSE(player->SubpicturesHidden());
    EXPECT_EQ(player->SelectStream(1, STREAM_AUDIO), S_OK);
    EXPECT_EQ(Streams(*player, STREAM_AUDIO), (List{"English:0", "German:1"}));

    ASSERT_EQ(player->Play(), S_OK);
    // "Deutsch" in the top band, "English" in the bottom one.
    const auto top = [&] { return player->WhiteIn(20, 120); };
    const auto bottom = [&] { return player->WhiteIn(456, 556); };
    // Asked while the reader is still in the title: it runs ahead of the
    // picture, and past the title's end nothing counts its chapters.
    EXPECT_EQ(player->SelectStream(2, STREAM_SUBTITLES), E_INVALIDARG);
    EXPECT_EQ(player->SelectStream(1, STREAM_CHAPTERS), E_INVALIDARG);
    EXPECT_EQ(player->SelectStream(1, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(Streams(*player, STREAM_SUBTITLES), (List{"English:0", "German:1"}));
    EXPECT_TRUE(RunEventsUntil([&] { return top() > 5; }, 3000)) << top();
    EXPECT_EQ(player->SelectStream(0, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(Streams(*player, STREAM_SUBTITLES), (List{"English:1", "German:0"}));
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
    auto control = std::dynamic_pointer_cast<IDvdControl2>(player->Graph());
    ASSERT_EQ(control->SelectDefaultAudioLanguage(QLocale::German, 0), S_OK);
    ASSERT_EQ(control->SelectDefaultSubpictureLanguage(QLocale::German, 0), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    ASSERT_EQ(player->Play(), S_OK);
    for (int kind : {STREAM_AUDIO, STREAM_SUBTITLES}) {
        EXPECT_EQ(Streams(*player, kind), (List{"English:0", "German:1"})) << kind;
    }
    // German at 1000 Hz, then English at 440 Hz once the queued sound is out.
    EXPECT_TRUE(RunEventsUntil([&] { return std::abs(pitch.Hertz() - 1000) < 40; }, 3000))
        << pitch.Hertz();
    EXPECT_EQ(player->SelectStream(0, STREAM_AUDIO), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return std::abs(pitch.Hertz() - 440) < 20; }, 4000))
        << pitch.Hertz();
}

// The time code counts 29.97 frames a second, and so does the frame number.
// Backwards, the rate holds over a seek and a pause.
TEST_F(DvdPlayerTest, CountsFramesAt2997AndPlaysBackwardsOnAnNtscDisc) {
    auto player = OpenDvdIn("dvd/ntsc", DVD_DOMAIN_Title, false);
    ASSERT_TRUE(player);
    long width = 0, height = 0;
    EXPECT_EQ(player->GetNativeVideoSize(&width, &height), S_OK);
    EXPECT_EQ(std::tuple(width, height, player->GetDuration()), std::tuple(720L, 480L, 1200));
    const auto position = [&] { return player->GetPosition(); };
    ASSERT_EQ(player->Pause(), S_OK);
    EXPECT_EQ(player->SetPosition(1000), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= 900; }));
    // 00:00:09:20 is frame 289, where 25 or 30 would give 245 or 290.
    const DVD_PLAYBACK_LOCATION2 location = player->Location();
    EXPECT_EQ(location.TimeCodeFlags, DVD_TC_FLAG_DropFrame);
    EXPECT_EQ(
        player->GetCurrentFrame(),
        static_cast<LONGLONG>(location.TimeCode.bSeconds * 2997 / 100) + location.TimeCode.bFrames);

    ASSERT_EQ(player->Play(), S_OK);
    EXPECT_EQ(player->SetPosition(900), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= 900; }));
    EXPECT_EQ(player->SetRate(-2.0), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() <= 700; }, 3000)) << position();
    // A seek goes on backwards from where it lands.
    EXPECT_EQ(player->SetPosition(1100), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() <= 900 && position() > 300; }, 3000))
        << position();
    // Paused, it stays; forwards again from there. The rate changes before
    // playing: playing first goes on backwards until the rate comes, as far
    // as a busy machine takes to bring it.
    ASSERT_EQ(player->Pause(), S_OK);
    const int paused = position();
    RunEventsFor(600);
    EXPECT_EQ(position(), paused);
    EXPECT_EQ(player->SetRate(1.0), S_OK);
    ASSERT_EQ(player->Play(), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= paused + 100; }, 3000)) << position();
}

}  // namespace
