// The generated property dialog, driven through its editors and buttons.
#include "engine/GstPropertyDialog.h"

#include <gst/gst.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

using velvaro::engine::CreateElementPropertiesDialog;

namespace {

struct Unref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
using Element = std::unique_ptr<GstElement, Unref>;

Element Make(const char* factory) {
    static const bool initialised = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)initialised;
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element) {
        gst_object_ref_sink(element);
    }
    return Element(element);
}

// Counts GLib warnings and criticals while it lives: a dialog that trips
// one has misused a property.
class LogWatch {
public:
    LogWatch() {
        for (const char* domain : kDomains) {
            handlers_.push_back(g_log_set_handler(
                domain,
                static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL |
                                            G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
                &LogWatch::Count, this));
        }
    }
    ~LogWatch() {
        for (size_t i = 0; i < handlers_.size(); ++i) {
            g_log_remove_handler(kDomains[i], handlers_[i]);
        }
    }
    LogWatch(const LogWatch&) = delete;
    LogWatch& operator=(const LogWatch&) = delete;
    const std::string& messages() const { return messages_; }

private:
    static void Count(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer self) {
        static_cast<LogWatch*>(self)->messages_ +=
            std::string(domain ? domain : "") + ": " + message + "\n";
    }
    static constexpr const char* kDomains[] = {"GLib-GObject", "GLib", "GStreamer", nullptr};
    std::vector<guint> handlers_;
    std::string messages_;
};

struct Dialog {
    Dialog(GstElement* element, const char* caption)
        : dialog(CreateElementPropertiesDialog(element, QString::fromUtf8(caption), nullptr)) {}

    template <typename Editor>
    Editor* Find(const char* property) const {
        return dialog->findChild<Editor*>(QString::fromUtf8(property));
    }
    void Press(QDialogButtonBox::StandardButton which) const {
        dialog->findChild<QDialogButtonBox*>()->button(which)->click();
    }

    std::unique_ptr<QDialog> dialog;
};

gboolean Mute(GstElement* volume) {
    gboolean mute = FALSE;
    g_object_get(volume, "mute", &mute, nullptr);
    return mute;
}

TEST(GstPropertyDialog, ShowsTheCaptionAndTheCurrentValues) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    g_object_set(volume.get(), "volume", 2.5, nullptr);
    Dialog dialog(volume.get(), "Volume filter");
    ASSERT_TRUE(dialog.dialog);
    EXPECT_EQ(dialog.dialog->windowTitle(), QStringLiteral("Volume filter"));

    auto* level = dialog.Find<QDoubleSpinBox>("volume");
    ASSERT_NE(level, nullptr);
    EXPECT_DOUBLE_EQ(level->value(), 2.5);
    EXPECT_DOUBLE_EQ(level->minimum(), 0.0);
    EXPECT_DOUBLE_EQ(level->maximum(), 10.0);
    EXPECT_TRUE(level->isEnabled());
    auto* mute = dialog.Find<QCheckBox>("mute");
    ASSERT_NE(mute, nullptr);
    EXPECT_FALSE(mute->isChecked());
    EXPECT_TRUE(mute->isEnabled());
    // The object's own bookkeeping is not offered.
    EXPECT_EQ(dialog.Find<QWidget>("name"), nullptr);
    EXPECT_EQ(dialog.Find<QWidget>("parent"), nullptr);
}

TEST(GstPropertyDialog, OkSetsWhatWasChanged) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    Dialog dialog(volume.get(), "Volume");
    dialog.Find<QCheckBox>("mute")->setChecked(true);
    EXPECT_FALSE(Mute(volume.get()));  // nothing before OK
    dialog.Press(QDialogButtonBox::Ok);
    EXPECT_TRUE(Mute(volume.get()));
    EXPECT_EQ(dialog.dialog->result(), QDialog::Accepted);
}

TEST(GstPropertyDialog, CancelLeavesTheElementAlone) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    Dialog dialog(volume.get(), "Volume");
    dialog.Find<QCheckBox>("mute")->setChecked(true);
    dialog.Find<QDoubleSpinBox>("volume")->setValue(4.0);
    dialog.Press(QDialogButtonBox::Cancel);
    EXPECT_FALSE(Mute(volume.get()));
    gdouble level = 0;
    g_object_get(volume.get(), "volume", &level, nullptr);
    EXPECT_DOUBLE_EQ(level, 1.0);
    EXPECT_EQ(dialog.dialog->result(), QDialog::Rejected);
}

TEST(GstPropertyDialog, ApplySetsAndKeepsTheDialogOpen) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    Dialog dialog(volume.get(), "Volume");
    QPushButton* apply =
        dialog.dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply);
    ASSERT_NE(apply, nullptr);
    EXPECT_FALSE(apply->isEnabled());  // nothing to apply yet
    dialog.Find<QDoubleSpinBox>("volume")->setValue(0.5);
    EXPECT_TRUE(apply->isEnabled());
    apply->click();
    gdouble level = 0;
    g_object_get(volume.get(), "volume", &level, nullptr);
    EXPECT_DOUBLE_EQ(level, 0.5);
    EXPECT_FALSE(apply->isEnabled());
}

// Values the user did not touch are not written back: a double shown rounded
// must not replace the exact one.
TEST(GstPropertyDialog, UntouchedValuesStayExact) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    g_object_set(volume.get(), "volume", 0.0078125, nullptr);  // more decimals than shown
    Dialog dialog(volume.get(), "Volume");
    dialog.Find<QCheckBox>("mute")->setChecked(true);
    dialog.Press(QDialogButtonBox::Ok);
    gdouble level = 0;
    g_object_get(volume.get(), "volume", &level, nullptr);
    EXPECT_DOUBLE_EQ(level, 0.0078125);
}

// Also after a property the user changed has been set once.
TEST(GstPropertyDialog, ApplyingTwiceWritesOnlyTheNewChange) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    Dialog dialog(volume.get(), "Volume");
    dialog.Find<QCheckBox>("mute")->setChecked(true);
    dialog.Press(QDialogButtonBox::Apply);
    g_object_set(volume.get(), "mute", FALSE, nullptr);  // someone else's change
    dialog.Find<QDoubleSpinBox>("volume")->setValue(3.0);
    dialog.Press(QDialogButtonBox::Ok);
    EXPECT_FALSE(Mute(volume.get()));
}

TEST(GstPropertyDialog, ReadOnlyPropertiesAreNotEditable) {
    Element sink = Make("appsink");
    ASSERT_TRUE(sink);
    Dialog dialog(sink.get(), "Sink");
    auto* eos = dialog.Find<QCheckBox>("eos");
    ASSERT_NE(eos, nullptr);
    EXPECT_FALSE(eos->isEnabled());
    auto* stats = dialog.Find<QLineEdit>("stats");
    ASSERT_NE(stats, nullptr);
    EXPECT_FALSE(stats->isEnabled());
    EXPECT_TRUE(stats->text().contains(QStringLiteral("average-rate")))
        << stats->text().toStdString();
    EXPECT_TRUE(dialog.Find<QCheckBox>("sync")->isEnabled());
}

TEST(GstPropertyDialog, OnlyWritablePropertiesAreEditable) {
    Element sink = Make("appsink");
    ASSERT_TRUE(sink);
    Dialog dialog(sink.get(), "Sink");
    guint count = 0;
    GParamSpec** params = g_object_class_list_properties(G_OBJECT_GET_CLASS(sink.get()), &count);
    for (guint i = 0; i < count; ++i) {
        const char* name = g_param_spec_get_name(params[i]);
        QWidget* editor = dialog.Find<QWidget>(name);
        if (!editor) {
            continue;
        }
        const bool writable =
            (params[i]->flags & G_PARAM_WRITABLE) && !(params[i]->flags & G_PARAM_CONSTRUCT_ONLY);
        EXPECT_EQ(editor->isEnabled(), writable) << name;
    }
    g_free(params);
}

TEST(GstPropertyDialog, PropertiesOfLaterStatesWaitForThem) {
    Element source = Make("filesrc");
    ASSERT_TRUE(source);
    {
        Dialog dialog(source.get(), "Source");
        ASSERT_NE(dialog.Find<QLineEdit>("location"), nullptr);
        EXPECT_TRUE(dialog.Find<QLineEdit>("location")->isEnabled());
    }
    // "location" changes only up to READY.
    g_object_set(source.get(), "location", VELVARO_TEST_MEDIA "/multi.mkv", nullptr);
    ASSERT_NE(gst_element_set_state(source.get(), GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
    {
        Dialog dialog(source.get(), "Source");
        EXPECT_FALSE(dialog.Find<QLineEdit>("location")->isEnabled());
        EXPECT_TRUE(dialog.Find<QWidget>("blocksize")->isEnabled());
    }
    gst_element_set_state(source.get(), GST_STATE_NULL);
}

TEST(GstPropertyDialog, StringsAreEditable) {
    Element source = Make("filesrc");
    ASSERT_TRUE(source);
    Dialog dialog(source.get(), "Source");
    dialog.Find<QLineEdit>("location")->setText(QStringLiteral("/tmp/some film.mkv"));
    dialog.Press(QDialogButtonBox::Ok);
    gchar* location = nullptr;
    g_object_get(source.get(), "location", &location, nullptr);
    ASSERT_NE(location, nullptr);
    EXPECT_STREQ(location, "/tmp/some film.mkv");
    g_free(location);
}

TEST(GstPropertyDialog, EnumsOfferTheirValuesWithTheCurrentOneChosen) {
    Element scale = Make("videoconvertscale");
    ASSERT_TRUE(scale);
    g_object_set(scale.get(), "method", 3, nullptr);  // lanczos
    Dialog dialog(scale.get(), "Scaler");
    auto* method = dialog.Find<QComboBox>("method");
    ASSERT_NE(method, nullptr);
    EXPECT_GE(method->count(), 6);
    EXPECT_EQ(method->currentText(), QStringLiteral("lanczos"));
    EXPECT_GE(method->findText(QStringLiteral("nearest-neighbour")), 0);

    method->setCurrentIndex(method->findText(QStringLiteral("nearest-neighbour")));
    dialog.Press(QDialogButtonBox::Ok);
    gint value = -1;
    g_object_get(scale.get(), "method", &value, nullptr);
    EXPECT_EQ(value, 0);
}

TEST(GstPropertyDialog, FlagsAreEditableBitByBit) {
    Element bin = Make("playbin");
    if (!bin) {
        GTEST_SKIP() << "no playbin";
    }
    guint flags = 0;
    g_object_get(bin.get(), "flags", &flags, nullptr);
    Dialog dialog(bin.get(), "Player");
    QWidget* group = dialog.Find<QWidget>("flags");
    ASSERT_NE(group, nullptr);
    auto* text = group->findChild<QCheckBox*>(QStringLiteral("text"));
    ASSERT_NE(text, nullptr);
    const guint textBit = 1u << 2;  // GST_PLAY_FLAG_TEXT
    EXPECT_EQ(text->isChecked(), (flags & textBit) != 0);
    text->setChecked(!text->isChecked());
    dialog.Press(QDialogButtonBox::Ok);
    guint after = 0;
    g_object_get(bin.get(), "flags", &after, nullptr);
    EXPECT_EQ(after, flags ^ textBit);
}

TEST(GstPropertyDialog, NumbersBeyondTheRangeAreClamped) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    Dialog dialog(volume.get(), "Volume");
    dialog.Find<QDoubleSpinBox>("volume")->setValue(50.0);
    dialog.Press(QDialogButtonBox::Ok);
    gdouble level = 0;
    g_object_get(volume.get(), "volume", &level, nullptr);
    EXPECT_DOUBLE_EQ(level, 10.0);

    Element crop = Make("videocrop");
    ASSERT_TRUE(crop);
    Dialog cropDialog(crop.get(), "Crop");
    auto* left = cropDialog.Find<QSpinBox>("left");
    ASSERT_NE(left, nullptr);
    left->setValue(-50);
    cropDialog.Press(QDialogButtonBox::Ok);
    gint pixels = 0;
    g_object_get(crop.get(), "left", &pixels, nullptr);
    EXPECT_EQ(pixels, -1);
}

// 64-bit numbers are typed in; what is typed clamps to the range.
TEST(GstPropertyDialog, LongNumbersAreClampedToTheirRange) {
    Element sink = Make("appsink");
    ASSERT_TRUE(sink);
    {
        Dialog dialog(sink.get(), "Sink");
        auto* lateness = dialog.Find<QLineEdit>("max-lateness");  // -1 up
        ASSERT_NE(lateness, nullptr);
        EXPECT_EQ(lateness->text(), QStringLiteral("-1"));
        lateness->setText(QStringLiteral("-5"));
        auto* buffers = dialog.Find<QLineEdit>("max-buffers");  // 32-bit unsigned
        ASSERT_NE(buffers, nullptr);
        buffers->setText(QStringLiteral("99999999999999999999999"));
        auto* offset = dialog.Find<QLineEdit>("render-delay");  // 64-bit unsigned
        ASSERT_NE(offset, nullptr);
        offset->setText(QStringLiteral("123456789012"));
        dialog.Press(QDialogButtonBox::Ok);
    }
    gint64 lateness = 0;
    guint buffers = 0;
    guint64 delay = 0;
    g_object_get(sink.get(), "max-lateness", &lateness, "max-buffers", &buffers, "render-delay",
                 &delay, nullptr);
    EXPECT_EQ(lateness, -1);
    EXPECT_EQ(buffers, G_MAXUINT);
    EXPECT_EQ(delay, 123456789012u);
}

TEST(GstPropertyDialog, NonsenseInANumberChangesNothing) {
    Element sink = Make("appsink");
    ASSERT_TRUE(sink);
    Dialog dialog(sink.get(), "Sink");
    auto* delay = dialog.Find<QLineEdit>("render-delay");
    delay->setText(QString());
    dialog.Press(QDialogButtonBox::Ok);
    guint64 value = 1;
    g_object_get(sink.get(), "render-delay", &value, nullptr);
    EXPECT_EQ(value, 0u);
}

TEST(GstPropertyDialog, CapsAreShownAndReadBack) {
    Element sink = Make("appsink");
    ASSERT_TRUE(sink);
    Dialog dialog(sink.get(), "Sink");
    auto* caps = dialog.Find<QLineEdit>("caps");
    ASSERT_NE(caps, nullptr);
    EXPECT_TRUE(caps->text().isEmpty());
    caps->setText(QStringLiteral("audio/x-raw, rate=(int)48000"));
    dialog.Press(QDialogButtonBox::Ok);
    GstCaps* set = nullptr;
    g_object_get(sink.get(), "caps", &set, nullptr);
    ASSERT_NE(set, nullptr);
    GstCaps* wanted = gst_caps_from_string("audio/x-raw, rate=(int)48000");
    EXPECT_TRUE(gst_caps_is_equal(set, wanted));
    gst_caps_unref(wanted);
    gst_caps_unref(set);
}

// The dialog keeps the element alive for as long as it is open.
TEST(GstPropertyDialog, OutlivesTheCallersReference) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    Dialog dialog(volume.get(), "Volume");
    GstElement* raw = volume.release();
    gst_object_unref(raw);
    dialog.Find<QCheckBox>("mute")->setChecked(true);
    dialog.Press(QDialogButtonBox::Ok);
}

TEST(GstPropertyDialog, NoElementNoDialog) {
    EXPECT_EQ(CreateElementPropertiesDialog(nullptr, QStringLiteral("None"), nullptr), nullptr);
}

TEST(GstPropertyDialog, ParentOwnsTheDialog) {
    Element volume = Make("volume");
    ASSERT_TRUE(volume);
    auto parent = std::make_unique<QWidget>();
    QDialog* dialog =
        CreateElementPropertiesDialog(volume.get(), QStringLiteral("V"), parent.get());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parent(), parent.get());
    EXPECT_TRUE(dialog->isModal());
    parent.reset();  // takes the dialog, and with it the dialog's reference
    EXPECT_EQ(GST_OBJECT_REFCOUNT_VALUE(volume.get()), 1);
}

class EveryElement : public testing::TestWithParam<const char*> {};

TEST_P(EveryElement, BuildsAndAppliesWithoutComplaint) {
    Element element = Make(GetParam());
    if (!element) {
        GTEST_SKIP() << GetParam() << " is not installed";
    }
    LogWatch log;
    {
        Dialog dialog(element.get(), GetParam());
        ASSERT_TRUE(dialog.dialog);
        EXPECT_EQ(dialog.dialog->windowTitle(), QString::fromUtf8(GetParam()));
        // Touch every editable editor, then write them all back.
        for (auto* box : dialog.dialog->findChildren<QCheckBox*>()) {
            if (box->isEnabled()) {
                box->setChecked(!box->isChecked());
            }
        }
        for (auto* box : dialog.dialog->findChildren<QSpinBox*>()) {
            if (box->isEnabled()) {
                box->setValue(box->maximum());
            }
        }
        dialog.Press(QDialogButtonBox::Apply);
    }
    EXPECT_EQ(log.messages(), "");
}

INSTANTIATE_TEST_SUITE_P(GstPropertyDialog, EveryElement,
                         testing::Values("volume", "audiopanorama", "videocrop",
                                         "videoconvertscale", "appsink", "filesrc", "decodebin3",
                                         "avdec_h264", "matroskademux", "fakesink",
                                         "subtitleoverlay", "playbin", "queue", "tee"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

}  // namespace
