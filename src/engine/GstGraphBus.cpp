// What the graph's bus says: state, errors and warnings, logged in one
// category and turned into the events the window reads.
#include "GstFilterGraph.h"

#include <QString>

namespace velvaro::engine {

// Any thread: the bus's messages are handled where they are posted.
GstBusSyncReply GstFilterGraph::OnBusMessage(GstBus*, GstMessage* message, GstFilterGraph* graph) {
    const GstMessageHandle owned(message);
    graph->lastActivity_ = SteadyNow();
    ++graph->happenings_;
    LogMessage(message);
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS: {
            if (graph->EndedByFailedSource()) {
                break;
            }
            // A demuxer that stops with an error ends its streams too: that
            // end was reported as the error.
            std::unique_lock lock(graph->mutex_);
            if (!graph->aborted_) {
                lock.unlock();
                graph->PushEvent(EC_COMPLETE, S_OK, 0);
            }
            break;
        }
        case GST_MESSAGE_STREAM_COLLECTION: {
            if (!graph->FromFilmDecoder(message)) {
                break;
            }
            GstStreamCollection* collection = nullptr;
            gst_message_parse_stream_collection(message, &collection);
            std::lock_guard lock(graph->mutex_);
            graph->collection_.reset(collection);
            break;
        }
        case GST_MESSAGE_STREAMS_SELECTED: {
            if (!graph->FromFilmDecoder(message)) {
                break;
            }
            std::lock_guard lock(graph->mutex_);
            const guint count = gst_message_streams_selected_get_size(message);
            graph->selectedStreams_ = static_cast<int>(count);
            graph->selectedIds_.clear();
            for (guint i = 0; i < count; ++i) {
                GstStreamHandle stream(gst_message_streams_selected_get_stream(message, i));
                if (const char* id = gst_stream_get_stream_id(stream.get())) {
                    graph->selectedIds_.emplace_back(id);
                }
            }
            graph->streamsReady_.notify_all();
            break;
        }
        case GST_MESSAGE_TOC: {
            GstToc* toc = nullptr;
            gst_message_parse_toc(message, &toc, nullptr);
            if (const GstTocHandle held{toc}) {
                graph->StoreToc(held.get());
            }
            break;
        }
        case GST_MESSAGE_ELEMENT:
            if (graph->address_.empty() || !graph->NoteServerAnswer(message)) {
                graph->OnOtherMessage(message);
            }
            break;
        case GST_MESSAGE_BUFFERING:
            graph->OnBuffering(message);
            break;
        case GST_MESSAGE_ASYNC_DONE:
            graph->keyFrameSeeks_.Landed();
            graph->OnOtherMessage(message);
            break;
        case GST_MESSAGE_ERROR:
            // A subtitle file that fails only loses its text, logged above;
            // its end lets the overlay stop waiting for more.
            if (g_str_has_prefix(GST_MESSAGE_SRC_NAME(message), kSubtitleFilePrefix)) {
                GstPadHandle input;
                {
                    std::lock_guard lock(graph->mutex_);
                    if (graph->videoRenderer_) {
                        input.reset(
                            gst_element_get_static_pad(graph->videoRenderer_, kSubtitleInputName));
                    }
                }
                if (input) {
                    gst_pad_send_event(input.get(), gst_event_new_eos());
                }
            } else {
                graph->OnError(message);
            }
            break;
        default:
            graph->OnOtherMessage(message);
            break;
    }
    return GST_BUS_DROP;
}

// The first error stops the streams: its text is kept and the owner hears of
// it once, as the error-abort event. Until the graph is run or sought again
// further errors are its consequences. While opening, the first reason the
// open has heard of stands.
void GstFilterGraph::OnError(GstMessage* message) {
    GError* parsed = nullptr;
    gst_message_parse_error(message, &parsed, nullptr);
    const GErrorHandle error(parsed);
    {
        std::lock_guard lock(mutex_);
        streamsReady_.notify_all();
        if (aborted_) {
            return;
        }
        // An address's source that fails once open has sent what it could:
        // that plays first, and its end, or the watchdog, tells why.
        if (opened_ && !address_.empty() && FromAddressReader(message)) {
            NetworkErrorText(message);
            return;
        }
        aborted_ = true;
        if (opened_ || errorText_.empty()) {
            errorText_ = !address_.empty()         ? NetworkErrorText(message)
                         : error && error->message ? error->message
                                                   : "The playback failed.";
        }
    }
    PushEvent(EC_ERRORABORT, E_FAIL, 0);
}

void GstFilterGraph::StreamsFlushed() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = false;
    }
    // A source sought again reads afresh: an earlier failure may not recur.
    std::lock_guard lock(hold_->mutex);
    hold_->sourceFailure.clear();
}

namespace {

// Our video renderer's converter warns "not negotiated" when a new
// destination size reaches it while a frame of the old size is on its way;
// it negotiates again with the next frame and the picture goes on, so this
// one is news, not a fault.
bool IsRenegotiationRace(GstMessage* message, const GError* error) {
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_WARNING || !error ||
        !g_error_matches(error, GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT)) {
        return false;
    }
    GstObject* parent = GST_OBJECT_PARENT(GST_MESSAGE_SRC(message));
    return parent && g_strcmp0(GST_OBJECT_NAME(parent), kVideoRendererName) == 0;
}

}  // namespace

void GstFilterGraph::LogMessage(GstMessage* message) {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type != GST_MESSAGE_ERROR && type != GST_MESSAGE_WARNING && type != GST_MESSAGE_INFO) {
        if (lcEngine().isDebugEnabled()) {
            qCDebug(lcEngine).noquote() << GST_MESSAGE_TYPE_NAME(message) << "from"
                                        << QString::fromUtf8(GST_MESSAGE_SRC_NAME(message));
        }
        return;
    }
    GError* parsed = nullptr;
    gchar* details = nullptr;
    if (type == GST_MESSAGE_ERROR) {
        gst_message_parse_error(message, &parsed, &details);
    } else if (type == GST_MESSAGE_WARNING) {
        gst_message_parse_warning(message, &parsed, &details);
    } else {
        gst_message_parse_info(message, &parsed, &details);
    }
    const GErrorHandle error(parsed);
    const GCharHandle debug(details);
    const QString text = QStringLiteral("%1 from %2: %3 (%4)")
                             .arg(QString::fromUtf8(GST_MESSAGE_TYPE_NAME(message)),
                                  QString::fromUtf8(GST_MESSAGE_SRC_NAME(message)),
                                  QString::fromUtf8(error ? error->message : ""),
                                  QString::fromUtf8(debug ? debug.get() : ""));
    if (type == GST_MESSAGE_INFO || IsRenegotiationRace(message, error.get())) {
        qCInfo(lcEngine).noquote() << text;
    } else {
        qCWarning(lcEngine).noquote() << text;
    }
}

}  // namespace velvaro::engine
