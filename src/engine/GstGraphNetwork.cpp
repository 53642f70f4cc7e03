// Playing from the network: uridecodebin3 reads http and https addresses
// (through souphttpsrc, with its queue2 buffering) and plugs the adaptive
// demuxers for HLS and DASH manifests itself. It posts how full its buffer
// is; playback waits, paused, while it fills.
#include "GstFilterGraph.h"

#include "platform/NetworkAddress.h"

#include <QString>
#include <QUrl>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velvaro::engine {

namespace {

// Why a connection to the address's server cannot be had; empty when it
// can. Asked when the source failed before any data came, as its own error
// does not tell.
std::string ConnectionProblem(const std::string& address) {
    const QUrl url(QString::fromStdString(address));
    const std::string host = url.host().toStdString();
    const std::string port = std::to_string(url.port(url.scheme() == u"https" ? 443 : 80));
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        return "The server's name \"" + host + "\" could not be found.";
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, &freeaddrinfo);
    const int probe = socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK, 0);
    if (probe < 0) {
        return {};
    }
    int result = connect(probe, found->ai_addr, found->ai_addrlen) == 0 ? 0 : errno;
    if (result == EINPROGRESS) {
        pollfd wait{probe, POLLOUT, 0};
        socklen_t size = sizeof result;
        result = poll(&wait, 1, 2000) == 1 &&
                         getsockopt(probe, SOL_SOCKET, SO_ERROR, &result, &size) == 0
                     ? result
                     : ETIMEDOUT;
    }
    close(probe);
    switch (result) {
        case 0:
            return {};
        case ECONNREFUSED:
            return "The server refused the connection.";
        case ETIMEDOUT:
            return "The server did not answer.";
        default:
            return "The server could not be reached: " + std::string(strerror(result)) + ".";
    }
}

}  // namespace

HRESULT GstFilterGraph::BuildNetworkSource(const std::string& address) {
    const QString given = QString::fromStdString(address);
    switch (platform::KindOfAddress(given)) {
        case platform::AddressKind::Network:
            break;
        case platform::AddressKind::UnknownScheme: {
            std::lock_guard lock(mutex_);
            errorText_ = "Addresses beginning \"" +
                         given.section(QStringLiteral("://"), 0, 0).toStdString() +
                         "://\" are not played: only http and https are.";
            return VFW_E_UNSUPPORTED_STREAM;
        }
        default: {
            std::lock_guard lock(mutex_);
            errorText_ = "It is not a network address.";
            return VFW_E_UNSUPPORTED_STREAM;
        }
    }
    ElementMaker maker;
    GstElementHandle decoder = maker.Make("uridecodebin3", "Decoder");
    if (maker.Failed()) {
        std::lock_guard lock(mutex_);
        errorText_ = maker.Error();
        return VFW_E_CANNOT_RENDER;
    }
    address_ = address;
    g_object_set(decoder.get(), "uri", address.c_str(), "use-buffering", TRUE, nullptr);
    source_ = decoder.get();
    gst_bin_add(GST_BIN(pipeline_.get()), source_);
    g_signal_connect(source_, "source-setup", G_CALLBACK(&OnNetworkSourceSetup), this);
    g_signal_connect(source_, "pad-added", G_CALLBACK(&OnPadAdded), this);
    g_signal_connect(source_, "select-stream", G_CALLBACK(&OnSelectStream), this);
    return S_OK;
}

// Streaming thread: the element that reads the address is made. Its own
// timeout (15 s) is left as it is: it reconnects after one, and the
// watchdog tells the user of a silence before.
void GstFilterGraph::OnNetworkSourceSetup(GstElement*, GstElement* source, GstFilterGraph* graph) {
    if (GstPadHandle pad{gst_element_get_static_pad(source, "src")}) {
        gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
                          reinterpret_cast<GstPadProbeCallback>(&OnNetworkData), graph, nullptr);
    }
}

// Streaming thread: the address's source delivered data.
GstPadProbeReturn GstFilterGraph::OnNetworkData(GstPad*, GstPadProbeInfo*, GstFilterGraph* graph) {
    graph->lastActivity_ = graph->hold_->lastData = SteadyNow();
    graph->sourceDataCame_ = true;
    return GST_PAD_PROBE_OK;
}

bool GstFilterGraph::FromAddressReader(GstMessage* message) {
    GstObject* origin = GST_MESSAGE_SRC(message);
    return GST_OBJECT_FLAG_IS_SET(origin, GST_ELEMENT_FLAG_SOURCE) && !GST_IS_BIN(origin);
}

std::string GstFilterGraph::NetworkErrorText(GstMessage* message) const {
    GError* parsed = nullptr;
    gst_message_parse_error(message, &parsed, nullptr);
    const GErrorHandle error(parsed);
    const std::string text = error && error->message ? error->message : "";
    const GstStructure* details = nullptr;
    gst_message_parse_error_details(message, &details);
    guint status = 0;
    const bool serverSaid = details && gst_structure_get_uint(details, "http-status-code", &status);
    std::string reason;
    if (serverSaid && status == 416) {
        // Asked only for what lies within the length the server announced.
        reason = "The server sent less than the length it announced.";
    } else if (serverSaid && status >= 400) {
        reason = "The server answered " + std::to_string(status) + " " + text + ".";
    } else if (FromAddressReader(message) &&
               g_error_matches(error.get(), GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED)) {
        // The source's flow failed: it stopped hearing from the server,
        // or never reached it.
        const std::int64_t quiet = SteadyNow() - hold_->lastData;
        if (quiet >= std::chrono::milliseconds(kNetworkSilence).count() - 1000) {
            reason = "No data came for " + std::to_string(kNetworkSilence.count()) + " seconds.";
        } else if (!sourceDataCame_) {
            reason = ConnectionProblem(address_);
        }
        if (reason.empty()) {
            reason = "The connection to the server broke off.";
        }
    } else if (g_error_matches(error.get(), GST_STREAM_ERROR, GST_STREAM_ERROR_TYPE_NOT_FOUND)) {
        reason = "What the server sent is not a medium.";
    } else if (text.find("manifest") != std::string::npos ||
               text.find("playlist") != std::string::npos) {
        reason = "The stream's manifest is damaged: " + text;
    } else if (error && error->domain == GST_STREAM_ERROR) {
        reason = "What the server sent is damaged: " + text;
    } else {
        reason = text.empty() ? "The transfer failed." : text;
    }
    // A source that has failed sends no more: once what came has played,
    // its end or the watchdog tells why. The server's own answer says more
    // than the flow's failure that may come before or after it.
    if (FromAddressReader(message)) {
        std::lock_guard lock(hold_->mutex);
        if (hold_->sourceFailure.empty() || serverSaid) {
            hold_->sourceFailure = reason;
        }
    }
    return opened_ ? address_ + ": " + reason : reason;
}

// Streaming thread. Playing waits, paused, while the buffer fills; the
// state changes on a thread of GStreamer's, never on a streaming thread,
// and not once the graph is shutting down.
void GstFilterGraph::OnBuffering(GstMessage* message) {
    gint percent = 100;
    gst_message_parse_buffering(message, &percent);
    {
        std::lock_guard lock(hold_->mutex);
        const bool changed = (hold_->percent < 100) != (percent < 100);
        hold_->percent = percent;
        if (!changed || !hold_->running) {
            return;
        }
    }
    // GStreamer owns the copy of the hold until it calls the last function.
    gst_element_call_async(
        pipeline_.get(),
        [](GstElement* pipeline, gpointer data) {
            auto& hold = **static_cast<std::shared_ptr<BufferingHold>*>(data);
            std::lock_guard lock(hold.mutex);
            if (!hold.closed && hold.running) {
                gst_element_set_state(pipeline,
                                      hold.percent < 100 ? GST_STATE_PAUSED : GST_STATE_PLAYING);
            }
        },
        new std::shared_ptr<BufferingHold>(hold_),
        [](gpointer data) { delete static_cast<std::shared_ptr<BufferingHold>*>(data); });
}

// Waiting for a buffer that a silent server never fills would wait for
// ever: after the silence, or once a source that failed has nothing more,
// the playback ends with an error that says why. The clock's thread
// looks; a graph shut down is not touched.
void GstFilterGraph::WatchForStalls() {
    // Seconds of standing still while playing, after the source failed.
    static constexpr int kStillLooksAfterFailure = 3;
    {
        std::lock_guard lock(hold_->mutex);
        hold_->decoder = source_;
    }
    GstClock* clock = gst_system_clock_obtain();
    watchdog_ = gst_clock_new_periodic_id(clock, gst_clock_get_time(clock), GST_SECOND);
    gst_object_unref(clock);
    gst_clock_id_wait_async(
        watchdog_,
        [](GstClock*, GstClockTime, GstClockID, gpointer data) -> gboolean {
            auto& hold = **static_cast<std::shared_ptr<BufferingHold>*>(data);
            const std::int64_t quiet = SteadyNow() - hold.lastData;
            GstElementHandle decoder;
            std::string reason;
            GstElementHandle playing;
            {
                std::lock_guard lock(hold.mutex);
                const bool silent = quiet >= std::chrono::milliseconds(kNetworkSilence).count();
                const bool looking = !hold.closed && hold.running && !hold.stallReported;
                if (!silent && hold.sourceFailure.empty()) {
                    hold.stallReported = false;
                } else if (looking && hold.percent < 100) {
                    hold.stallReported = true;
                    decoder.reset(GST_ELEMENT(gst_object_ref(hold.decoder)));
                    reason = !hold.sourceFailure.empty()
                                 ? hold.sourceFailure
                                 : "No data came for " + std::to_string(kNetworkSilence.count()) +
                                       " seconds.";
                } else if (looking && !hold.sourceFailure.empty()) {
                    // Its end may get lost on the way when the source fails
                    // before the graph has linked every stream.
                    playing.reset(GST_ELEMENT(gst_object_get_parent(GST_OBJECT(hold.decoder))));
                }
            }
            gint64 position = -1;
            if (playing && gst_element_query_position(playing.get(), GST_FORMAT_TIME, &position)) {
                std::lock_guard lock(hold.mutex);
                hold.stillLooks = position == hold.lastPosition ? hold.stillLooks + 1 : 0;
                hold.lastPosition = position;
                if (hold.stillLooks >= kStillLooksAfterFailure && !hold.stallReported &&
                    !hold.closed) {
                    hold.stallReported = true;
                    decoder.reset(GST_ELEMENT(gst_object_ref(hold.decoder)));
                    reason = hold.sourceFailure;
                }
            }
            // Posted without the lock: the bus's handler takes it too.
            if (decoder) {
                GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                                    reason.c_str());
                gst_element_post_message(
                    decoder.get(),
                    gst_message_new_error(GST_OBJECT(decoder.get()), error, nullptr));
                g_error_free(error);
            }
            return TRUE;
        },
        new std::shared_ptr<BufferingHold>(hold_),
        [](gpointer data) { delete static_cast<std::shared_ptr<BufferingHold>*>(data); });
}

// Any thread: the end came because the source failed, not because the
// film ended there; it is reported as the error.
bool GstFilterGraph::EndedByFailedSource() {
    std::string failure;
    if (!address_.empty()) {
        std::lock_guard lock(hold_->mutex);
        failure = hold_->sourceFailure;
    }
    if (failure.empty()) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (aborted_) {
            return true;
        }
        aborted_ = true;
        errorText_ = address_ + ": " + failure;
    }
    PushEvent(EC_ERRORABORT, E_FAIL, 0);
    return true;
}

int GstFilterGraph::GetBufferingPercent() {
    std::lock_guard lock(hold_->mutex);
    return address_.empty() ? 100 : hold_->percent;
}

bool GstFilterGraph::CanSeek() {
    return address_.empty() || seekable_;
}

// Any thread: the source's answer from the server. The first is the
// address's own; an adaptive demuxer fetches its pieces itself.
bool GstFilterGraph::NoteServerAnswer(GstMessage* message) {
    const GstStructure* answer = gst_message_get_structure(message);
    if (!answer || !gst_structure_has_name(answer, "http-headers")) {
        return false;
    }
    const GstStructure* headers = nullptr;
    if (const GValue* value = gst_structure_get_value(answer, "response-headers");
        value && GST_VALUE_HOLDS_STRUCTURE(value)) {
        headers = gst_value_get_structure(value);
    }
    const gchar* ranges = headers ? gst_structure_get_string(headers, "Accept-Ranges") : nullptr;
    int unknown = -1;
    rangesServed_.compare_exchange_strong(unknown,
                                          ranges && g_ascii_strcasecmp(ranges, "bytes") == 0);
    return true;
}

// After the open: whether the server serves a position asked for. Without
// "Accept-Ranges: bytes" a progressive download seeks into a broken stream,
// although its demuxer claims it could.
void GstFilterGraph::AskSeekable() {
    GstQueryHandle query(gst_query_new_seeking(GST_FORMAT_TIME));
    gboolean seekable = FALSE;
    if (gst_element_query(pipeline_.get(), query.get())) {
        gst_query_parse_seeking(query.get(), nullptr, &seekable, nullptr, nullptr);
    }
    bool adaptive = false;
    ForEachItem(gst_bin_iterate_recurse(GST_BIN(source_)), [&adaptive](gpointer item) {
        GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(item));
        const gchar* klass =
            factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS)
                    : nullptr;
        adaptive = klass && g_strrstr(klass, "Adaptive");
        return !adaptive;
    });
    seekable_ = seekable && (adaptive || rangesServed_ == 1);
}

}  // namespace velvaro::engine
