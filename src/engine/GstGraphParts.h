// Pieces of the filter graph shared by its source files: names, the
// helpers that read pads and streams, and the filter and pin views.
#pragma once

#include "Framework.h"
#include "GstHandles.h"
#include "GstPropertyDialog.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/tag/tag.h>
#include <gst/video/video.h>

#include <QCursor>
#include <QDialog>
#include <QPointer>
#include <QString>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace velvaro::engine {

constexpr GstClockTime kRenderTimeout = 20 * GST_SECOND;
constexpr auto kLongestStateChange = std::chrono::seconds(3);
// The frame rate is measured over the newest frames shown.
constexpr size_t kFramesForRate = 50;
constexpr auto kFrameRateWindow = std::chrono::seconds(2);
constexpr const char* kVideoRendererName = "Video Renderer";
constexpr const char* kAudioRendererName = "Default DirectSound Device";
constexpr const char* kAudioInputPinName = "Audio Input pin (rendered)";

void EnsureGstInitialised();
MajorType MajorTypeOfCaps(GstCaps* caps);
MajorType MajorTypeOfPad(GstPad* pad);
GstElement* MakeAudioSink();
std::string FilterNameOf(GstElement* element);
bool IsDecoderPart(GstElement* element);
MajorType MajorTypeOfStream(GstStream* stream);
std::string StreamName(GstStream* stream, MajorType type, int ordinal);

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
        GstIterator* it = gst_element_iterate_pads(element_.get());
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            auto* pad = GST_PAD(g_value_get_object(&item));
            gchar* name = gst_pad_get_name(pad);
            pins.push_back(std::make_shared<GstPin>(pad, name));
            g_free(name);
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
        return pins;
    }
    bool HasPropertyPages() const override {
        guint count = 0;
        GParamSpec** specs =
            g_object_class_list_properties(G_OBJECT_GET_CLASS(element_.get()), &count);
        bool writable = false;
        for (guint i = 0; i < count && !writable; ++i) {
            const char* property = g_param_spec_get_name(specs[i]);
            writable = (specs[i]->flags & G_PARAM_WRITABLE) && std::strcmp(property, "name") != 0 &&
                       std::strcmp(property, "parent") != 0;
        }
        g_free(specs);
        return writable;
    }
    void ShowPropertyPages(QWidget* parent) override {
        std::unique_ptr<QDialog> owned;
        QPointer<QDialog> dialog =
            CreateElementPropertiesDialog(element_.get(), QString::fromStdString(name_), parent);
        if (!parent) {
            owned.reset(dialog.data());
        }
        if (!dialog) {
            return;
        }
        // Opened beside the mouse, where the user just chose it.
        dialog->move(QCursor::pos() - QPoint(50, 50));
        dialog->exec();
        if (parent && dialog) {
            delete dialog.data();
        }
    }
    GstElement* element() const { return element_.get(); }

private:
    GstElementHandle element_;
    std::string name_;
};

}  // namespace velvaro::engine
