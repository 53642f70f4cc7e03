// Sound that no device plays reaches its sink in tenths of a second, from
// any decoder's layout, with every sample and its time kept.
#include "TestPipeline.h"

#include <gst/audio/audio.h>

#include <mutex>
#include <vector>

namespace {

using namespace velvaro::engine;

struct Block {
    GstClockTime pts;
    GstClockTime duration;
    gsize samples;
};

struct Blocks {
    std::mutex mutex;
    std::vector<Block> seen;
};

// One second of 44.1 kHz stereo in blocks of `perBlock` samples, as a
// decoder of planar float gives it, through the renderer's first converter
// and the chunker a fakesink calls for, into that fakesink.
std::vector<Block> BlocksAtTheSink(int perBlock) {
    const TestPipeline pipeline(
        "audiotestsrc samplesperbuffer=" + std::to_string(perBlock) +
        " num-buffers=" + std::to_string((44100 + perBlock - 1) / perBlock) +
        " ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! "
        "audio/x-raw,format=F32LE,layout=non-interleaved ! audioconvert name=convert ! "
        "fakesink name=sink sync=false");
    if (!pipeline) {
        return {};
    }
    const auto convert = pipeline["convert"], sink = pipeline["sink"];
    const auto chunker = UnheardSoundChunker(sink.get());
    if (!chunker) {
        ADD_FAILURE() << "no chunker for a fakesink";
        return {};
    }
    gst_element_unlink(convert.get(), sink.get());
    gst_bin_add(GST_BIN(pipeline.get()), chunker.get());
    EXPECT_TRUE(gst_element_link_many(convert.get(), chunker.get(), sink.get(), nullptr));

    Blocks blocks;
    const GstPadHandle input(gst_element_get_static_pad(sink.get(), "sink"));
    gst_pad_add_probe(
        input.get(), GST_PAD_PROBE_TYPE_BUFFER,
        +[](GstPad* pad, GstPadProbeInfo* info, gpointer data) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            const GstCapsHandle caps(gst_pad_get_current_caps(pad));
            GstAudioInfo format;
            const bool known = caps && gst_audio_info_from_caps(&format, caps.get());
            auto* seen = static_cast<Blocks*>(data);
            std::lock_guard lock(seen->mutex);
            seen->seen.push_back(
                {GST_BUFFER_PTS(buffer), GST_BUFFER_DURATION(buffer),
                 known ? gst_buffer_get_size(buffer) / GST_AUDIO_INFO_BPF(&format) : 0});
            return GST_PAD_PROBE_OK;
        },
        &blocks, nullptr);

    pipeline.PlayToEnd();
    std::lock_guard lock(blocks.mutex);
    return blocks.seen;
}

TEST(UnheardSound, ComesInTenthsOfASecondWithEverySampleAndItsTime) {
    // A decoder's usual blocks (AAC's, MP3's), and blocks longer than a tenth.
    for (const int perBlock : {1024, 1152, 8820}) {
        SCOPED_TRACE(perBlock);
        const std::vector<Block> blocks = BlocksAtTheSink(perBlock);
        ASSERT_FALSE(blocks.empty());
        gsize samples = 0;
        GstClockTime next = 0;
        for (size_t i = 0; i < blocks.size(); ++i) {
            const Block& block = blocks[i];
            EXPECT_EQ(block.pts, next) << "block " << i;
            if (i + 1 < blocks.size()) {
                EXPECT_EQ(block.samples, 4410u) << "block " << i;
                EXPECT_NEAR(static_cast<double>(block.duration), kUnheardChunk, GST_USECOND * 23)
                    << "block " << i;
            }
            next = block.pts + block.duration;
            samples += block.samples;
        }
        // The source rounds up to whole blocks; the last of them comes whole.
        const gsize sent = static_cast<gsize>((44100 + perBlock - 1) / perBlock * perBlock);
        EXPECT_EQ(samples, sent);
        EXPECT_LE(blocks.size(), sent / 4410 + 1);
    }
}

}  // namespace
