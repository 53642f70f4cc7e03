// Pieces of the filter graph shared by its source files: names, the
// helpers that read pads and streams, and the filter and pin views.
#pragma once

#include "ElementProperties.h"
#include "Framework.h"
#include "GstHandles.h"
#include "MediaFramework.h"
#include "platform/StartTiming.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/tag/tag.h>
#include <gst/video/video.h>

#include <QLoggingCategory>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What GStreamer reports on the graphs' buses: warnings and errors show by
// default, the rest with QT_LOGGING_RULES="velvaro.engine.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
// Figures for the playback benchmark, in the category of the start's moments
// (lcBench): "velvaro.bench.debug=true".

namespace velvaro::engine {

constexpr GstClockTime kRenderTimeout = 20 * GST_SECOND;
// An open gives up when the file has been silent this long: no bytes read,
// no news from its elements. A slow source that still delivers keeps it going.
constexpr auto kRenderSilence = std::chrono::seconds(3);
// The same for a network address, while opening and while playing.
constexpr auto kNetworkSilence = std::chrono::seconds(10);
// How often an open looks at its progress and whether it was cancelled.
constexpr auto kRenderWaitSlice = std::chrono::milliseconds(20);

// Milliseconds of the steady clock, for times kept in atomics.
std::int64_t SteadyNow();
constexpr auto kLongestStateChange = std::chrono::seconds(3);
// The frame rate is measured over the newest frames shown.
constexpr size_t kFramesForRate = 50;
constexpr auto kFrameRateWindow = std::chrono::seconds(2);
constexpr const char* kVideoRendererName = "Video Renderer";
constexpr const char* kAudioRendererName = "Default DirectSound Device";
constexpr const char* kAudioInputPinName = "Audio Input pin (rendered)";
constexpr const char* kSubtitleInputName = "Subtitle Input";
constexpr const char* kDeinterlacerName = "Deinterlacer";
// How the elements that read a subtitle file beside the film are named.
constexpr const char* kSubtitleFilePrefix = "Subtitle File";

MajorType MajorTypeOfCaps(GstCaps* caps);
MajorType MajorTypeOfPad(GstPad* pad);
std::string FilterNameOf(GstElement* element);
bool IsDecoderPart(GstElement* element);
MajorType MajorTypeOfStream(GstStream* stream);
std::string StreamName(GstStream* stream, MajorType type, int ordinal);
// A tag's text; null when the list has none.
GCharHandle TagText(const GstTagList* tags, const char* tag);
std::shared_ptr<ElementProperties> PropertiesOfElement(GstElement* element);

// Makes the elements of one part of a graph and remembers the first one that
// no installed plugin provides, as the text a user is shown.
class ElementMaker {
public:
    GstElementHandle Make(const char* factory, const char* name = nullptr);
    // A sound device to play on, or a sink that only keeps the clock when the
    // machine has none, so playback never fails for want of speakers.
    GstElementHandle MakeAudioSink();
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

private:
    std::string error_;
};

// "The GStreamer element "x" is missing: install <its Debian package>."
std::string MissingElementText(const char* factory);

// A sink reports on every picture it renders, and each report travels up
// through every element to the decoder. Only reports of lateness change
// anything there (decoders and converters skip what falls before the last
// late one), so only those pass `sinkInput`; and not for lateness well
// under a screen refresh, where skipping the next picture would show worse
// than the picture's being late did.
void PassOnlyLateReports(GstPad* sinkInput);
inline constexpr GstClockTimeDiff kUnseenLateness = 4 * GST_MSECOND;

// A decoder woken for every picture shown finds its caches emptied by the
// rest of the player each time; one that decodes several in a row and then
// rests spends less on the same pictures. `queue`, after the decoder, takes
// pictures up to kBurstPictures or kBurstBytes, whichever comes first, and
// then no more until it is down to its last one.
void DecodeInBursts(GstElement* queue);
inline constexpr guint kBurstPictures = 8;
inline constexpr guint kBurstBytes = 24u << 20;

// Sound that no device plays only keeps the clock, and a decoder's short
// blocks (a fiftieth of a second) each wake every element after it. For
// such a `sink`, an element that hands the sound on in kUnheardChunk
// blocks instead; null for a sink that plays somewhere.
GstElementHandle UnheardSoundChunker(GstElement* sink);
inline constexpr GstClockTime kUnheardChunk = GST_SECOND / 10;

// Between half and double speed the sound keeps its pitch: `tempo`
// (scaletempo) stretches it. Backwards and faster than that it plays as
// the sink makes of it, higher or lower: `tempo` is shown normal speed and
// the sink the real one.
void KeepPitchWithinSpeeds(GstElement* tempo);
inline constexpr double kSlowestKeptPitch = 0.5;
inline constexpr double kFastestKeptPitch = 2.0;

// The deinterlace element's method, chosen by bench/deinterlace: the
// cleanest picture for what it costs at 576i.
inline constexpr const char* kDeinterlaceMethod = "yadif";

// A deinterlacer that starts in `mode`; null, and the maker's error, when
// the element is missing.
GstElementHandle MakeDeinterlacer(ElementMaker& maker, Deinterlacing mode);

class GstPin final : public IPin {
public:
    GstPin(GstPad* pad, std::string id) : pad_(GST_PAD(gst_object_ref(pad))), id_(std::move(id)) {}
    std::string QueryId() const override { return id_; }
    PinDirection QueryDirection() const override {
        return GST_PAD_DIRECTION(pad_.get()) == GST_PAD_SRC ? PinDirection::Output
                                                            : PinDirection::Input;
    }
    MajorType QueryMajorType() const override { return MajorTypeOfPad(pad_.get()); }
    bool IsConnected() const override { return gst_pad_is_linked(pad_.get()); }

private:
    GstPadHandle pad_;
    std::string id_;
};

class GstFilter final : public IBaseFilter {
public:
    GstFilter(GstElement* element, std::string name)
        : element_(GST_ELEMENT(gst_object_ref(element))), name_(std::move(name)) {}
    std::string QueryName() const override { return name_; }
    std::vector<std::shared_ptr<IPin>> EnumPins() override {
        std::vector<std::shared_ptr<IPin>> pins;
        ForEachItem(gst_element_iterate_pads(element_.get()), [&pins](gpointer item) {
            auto* pad = GST_PAD(item);
            GCharHandle name(gst_pad_get_name(pad));
            pins.push_back(std::make_shared<GstPin>(pad, name.get()));
            return true;
        });
        return pins;
    }
    bool HasPropertyPages() const override {
        return PropertiesOfElement(element_.get())->HasSettings();
    }
    std::shared_ptr<ElementProperties> QueryProperties() override {
        return HasPropertyPages() ? PropertiesOfElement(element_.get()) : nullptr;
    }
    GstElement* element() const { return element_.get(); }

private:
    GstElementHandle element_;
    std::string name_;
};

}  // namespace velvaro::engine
