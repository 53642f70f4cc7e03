#include "MediaFramework.h"

#include "GstGraphParts.h"
#include "GstVideoScaler.h"
#include "HardwareDecoding.h"
#include "platform/StartTiming.h"

#include <dlfcn.h>

#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <system_error>

namespace velvaro::engine {

namespace {

// Above the software decoders' primary rank, so that decodebin3 tries these
// first, and above the player's own.
constexpr guint kHardwareRank = GST_RANK_PRIMARY + 2;
constexpr guint kOwnDecoderRank = GST_RANK_PRIMARY + 1;

// The decoders of the VA-API plugin; the plugin makes them only for the
// render nodes it found.
std::vector<std::string> VaDecoders(GstRegistry* registry) {
    std::vector<std::string> names;
    GList* features = gst_registry_get_feature_list_by_plugin(registry, "va");
    for (GList* item = features; item; item = item->next) {
        auto* feature = GST_PLUGIN_FEATURE(item->data);
        if (GST_IS_ELEMENT_FACTORY(feature) &&
            gst_element_factory_list_is_type(GST_ELEMENT_FACTORY(feature),
                                             GST_ELEMENT_FACTORY_TYPE_DECODER)) {
            names.emplace_back(gst_plugin_feature_get_name(feature));
        }
    }
    gst_plugin_feature_list_free(features);
    return names;
}

void PreferHardwareDecoders() {
    GstRegistry* registry = gst_registry_get();
    const std::vector<RenderNode> nodes = RenderNodesOfThisMachine();
    const std::vector<std::string> preferred = HardwareDecodersToPrefer(
        nodes, VaDecoders(registry), g_getenv("VELVARO_HARDWARE_DECODING"));
    for (const std::string& name : preferred) {
        GstPluginFeature* feature = gst_registry_lookup_feature(registry, name.c_str());
        if (feature) {
            gst_plugin_feature_set_rank(feature, kHardwareRank);
            gst_object_unref(feature);
            qCDebug(lcEngine) << "Hardware decoding with" << name.c_str();
        }
    }
}

// The player's own decoders of the commonest films link libavcodec alone,
// where GStreamer's libav plugin links well over a hundred libraries: the
// longest wait of a film's first open. Without the module, that plugin
// decodes. Registered before any open, so that none takes the other.
void LoadOwnDecoders() {
    std::error_code error;
    const std::filesystem::path program =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const std::filesystem::path& path :
         {program / "velvaro-decoders.so", program / VELVARO_DECODERS_INSTALLED,
          std::filesystem::path(VELVARO_DECODERS_BUILT)}) {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            continue;
        }
        using Register = gboolean (*)(guint);
        if (auto* add = reinterpret_cast<Register>(dlsym(module, "velvaro_register_decoders"))) {
            // Kept to the end, as GStreamer keeps its plugins.
            if (add(kOwnDecoderRank)) {
                qCDebug(lcEngine) << "Own decoders from" << path.c_str();
            }
            return;
        }
        dlclose(module);
    }
}

// AAC, the sound of most such films, also without the libav plugin.
void PreferAacDecoderWithoutLibav() {
    if (GstPluginFeature* faad = gst_registry_lookup_feature(gst_registry_get(), "faad")) {
        gst_plugin_feature_set_rank(faad, kOwnDecoderRank);
        gst_object_unref(faad);
    }
}

// The libav plugin's decoders of what the own module, liba52 and mpg123
// decode as well are never picked. A DVD's navigator tries every decoder
// it may pick on its streams, which would load the plugin's libraries for
// nothing: 40 ms of the disc's open and 10 MB.
void LeaveOutLibavDuplicates() {
    const struct {
        const char* libav;
        const char* other;
    } duplicates[] = {
        {"avdec_mpeg2video", "velvarompegvideodec"},
        {"avdec_mpegvideo", "velvarompegvideodec"},
        {"avdec_ac3", "a52dec"},
        {"avdec_ac3_fixed", "a52dec"},
        {"avdec_mp3", "mpg123audiodec"},
        {"avdec_mp3float", "mpg123audiodec"},
        {"avdec_mp2float", "mpg123audiodec"},
        {"avdec_mp1float", "mpg123audiodec"},
    };
    GstRegistry* registry = gst_registry_get();
    for (const auto& duplicate : duplicates) {
        GstPluginFeature* other = gst_registry_lookup_feature(registry, duplicate.other);
        GstPluginFeature* libav = gst_registry_lookup_feature(registry, duplicate.libav);
        if (other && libav && gst_plugin_feature_get_rank(other) >= GST_RANK_MARGINAL) {
            gst_plugin_feature_set_rank(libav, GST_RANK_NONE);
        }
        for (GstPluginFeature* feature : {other, libav}) {
            if (feature) {
                gst_object_unref(feature);
            }
        }
    }
}

// Measuring aid: VELVARO_DECODERS=libav has GStreamer's libav plugin
// loaded and ranked in the module's place.
void LoadLibavDecoders() {
    if (GstPlugin* plugin = gst_plugin_load_by_name("libav")) {
        gst_object_unref(plugin);
    }
    for (const char* name : {"avdec_h264", "avdec_h265"}) {
        if (GstPluginFeature* feature = gst_registry_lookup_feature(gst_registry_get(), name)) {
            gst_plugin_feature_set_rank(feature, kOwnDecoderRank);
            gst_object_unref(feature);
        }
    }
}

void StartGstreamer() {
    gst_init(nullptr, nullptr);
    RegisterVideoScaler();
    if (g_strcmp0(g_getenv("VELVARO_DECODERS"), "libav") == 0) {
        LoadLibavDecoders();
    } else {
        LoadOwnDecoders();
    }
    PreferAacDecoderWithoutLibav();
    LeaveOutLibavDuplicates();
    PreferHardwareDecoders();
    velvaro::platform::NoteStartMoment("media framework ready");
}

// The plugins nearly every film needs, in the order an open needs them.
// Loading one means linking its libraries (the decoders' alone take tens
// of milliseconds), which the first open would otherwise wait for.
constexpr const char* kPluginsToLoadEarly[] = {
    "coreelements",  "playback", "typefindfunctions", "isomp4",      "matroska", "videoparsersbad",
    "audioparsers",  "faad",     "videoconvertscale", "videocrop",   "app",      "audioconvert",
    "audioresample", "volume",   "audiofx",           "deinterlace",
};

void LoadCommonPlugins() {
    for (const char* name : kPluginsToLoadEarly) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name)) {
            gst_object_unref(plugin);
        }
    }
    velvaro::platform::NoteStartMoment("common plugins loaded");
}

std::once_flag startOnce;
std::shared_future<void> started;
// Held until exit, which so waits for loading still under way.
std::future<void> loading;
std::once_flag otherDecodersOnce;
std::future<void> loadingOtherDecoders;

}  // namespace

void StartMediaFramework() {
    std::call_once(startOnce, [] {
        auto ready = std::make_shared<std::promise<void>>();
        started = ready->get_future().share();
        try {
            loading = std::async(std::launch::async, [ready] {
                StartGstreamer();
                ready->set_value();
                LoadCommonPlugins();
            });
        } catch (const std::system_error&) {
            // No thread to be had: loaded here, as it always was.
            StartGstreamer();
            ready->set_value();
        }
    });
}

void EnsureMediaFramework() {
    StartMediaFramework();
    started.wait();
}

void LoadOtherDecoders() {
    std::call_once(otherDecodersOnce, [] {
        try {
            loadingOtherDecoders = std::async(std::launch::async, [] {
                EnsureMediaFramework();
                if (GstPlugin* plugin = gst_plugin_load_by_name("libav")) {
                    gst_object_unref(plugin);
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: an open loads them when it needs them.
        }
    });
}

bool WaitForMediaFramework(std::chrono::milliseconds timeout) {
    StartMediaFramework();
    return started.wait_for(timeout) == std::future_status::ready;
}

}  // namespace velvaro::engine
