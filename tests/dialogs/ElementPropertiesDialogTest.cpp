// The property pages generated from a filter's settings, driven through
// their editors and buttons over real GStreamer elements.
#include "dialogs/ElementPropertiesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

using velvaro::dialogs::ElementPropertiesDialog;
using velvaro::engine::ElementProperties;
using Value = std::optional<velvaro::engine::PropertyValue>;

std::unique_ptr<ElementPropertiesDialog> Pages(const std::shared_ptr<ElementProperties>& of) {
    return std::make_unique<ElementPropertiesDialog>(of, QStringLiteral("Pages"), nullptr);
}

template <class Editor = QWidget>
Editor* Find(const QDialog& pages, const char* property) {
    return pages.findChild<Editor*>(QString::fromLatin1(property));
}

void Press(const QDialog& pages, QDialogButtonBox::StandardButton which) {
    pages.findChild<QDialogButtonBox*>()->button(which)->click();
}

// What an editor shows, whatever its kind; of a group of flags, the ones set.
QString Shown(QWidget* editor) {
    for (const char* property : {"checked", "currentText", "text"}) {
        if (const QVariant value = editor->property(property); value.isValid()) {
            return value.toString();
        }
    }
    QStringList flags;
    for (auto* box : editor->findChildren<QCheckBox*>()) {
        flags << (box->isChecked() ? box->objectName() : QString());
    }
    flags.removeAll(QString());
    return flags.join(u' ');
}

TEST(ElementPropertiesDialog, OneEditorPerPropertyOfItsKindShowingTheValue) {
    const struct {
        const char* factory;
        const char* property;
        const char* editor;
        bool enabled;
        QString shown;
    } cases[] = {
        {"volume", "volume", "QDoubleSpinBox", true, QStringLiteral("2.500000")},
        {"volume", "mute", "QCheckBox", true, QStringLiteral("false")},
        {"videocrop", "left", "QSpinBox", true, QStringLiteral("0")},
        {"appsink", "max-lateness", "QLineEdit", true, QStringLiteral("-1")},  // 64 bits
        {"appsink", "caps", "QLineEdit", true, QString()},
        {"appsink", "eos", "QCheckBox", false, QStringLiteral("true")},
        {"appsink", "stats", "QLineEdit", false, QStringLiteral("application/x-gst-base-sink")},
        {"videoconvertscale", "method", "QComboBox", true, QStringLiteral("bilinear")},
        {"playbin", "flags", "QWidget", true, QStringLiteral("video audio text soft-volume")},
    };
    for (const auto& test : cases) {
        const auto properties = ElementProperties::OfNewElement(test.factory);
        properties->Set("volume", 2.5);  // only the volume element has one
        const auto pages = Pages(properties);
        QWidget* editor = Find(*pages, test.property);
        ASSERT_NE(editor, nullptr) << test.property;
        EXPECT_EQ(std::tuple(QLatin1String(editor->metaObject()->className()), editor->isEnabled(),
                             Shown(editor).left(test.shown.size())),
                  std::tuple(QLatin1String(test.editor), test.enabled, test.shown));
        EXPECT_EQ(Find(*pages, "name"), Find(*pages, "parent")) << "neither is offered";
    }
}

// Only what the user changed is written: a value shown rounded, or changed
// by someone else meanwhile, is left as it is.
TEST(ElementPropertiesDialog, ApplyAndOkWriteOnlyTheChangesAndCancelNothing) {
    const auto volume = ElementProperties::OfNewElement("volume");
    volume->Set("volume", 0.0078125);
    auto pages = Pages(volume);
    QPushButton* apply = pages->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply);
    EXPECT_FALSE(apply->isEnabled());
    Find<QCheckBox>(*pages, "mute")->setChecked(true);
    EXPECT_TRUE(apply->isEnabled() && volume->Get("mute") == Value(false));
    apply->click();
    EXPECT_EQ(std::pair(volume->Get("mute"), volume->Get("volume")),
              std::pair(Value(true), Value(0.0078125)));
    EXPECT_FALSE(apply->isEnabled());
    volume->Set("mute", false);
    for (const auto& [button, value] :
         {std::pair{QDialogButtonBox::Ok, 3.0}, {QDialogButtonBox::Cancel, 4.0}}) {
        Find<QDoubleSpinBox>(*pages, "volume")->setValue(value);
        Press(*pages, button);
        EXPECT_EQ(pages->result(), value == 3.0 ? QDialog::Accepted : QDialog::Rejected);
        pages = Pages(volume);
        Find<QCheckBox>(*pages, "mute")->setChecked(true);
    }
    // As OK left them: only the volume written, and Cancel writes nothing.
    EXPECT_EQ(volume->Get("mute"), Value(false));
    EXPECT_EQ(volume->Get("volume"), Value(3.0));
}

TEST(ElementPropertiesDialog, TypedNumbersClamp) {
    const auto sink = ElementProperties::OfNewElement("appsink");
    const auto pages = Pages(sink);
    auto* lateness = Find<QLineEdit>(*pages, "max-lateness");
    lateness->setText(QStringLiteral("-5"));
    Q_EMIT lateness->editingFinished();
    EXPECT_EQ(lateness->text(), QStringLiteral("-1"));
    Find<QLineEdit>(*pages, "max-buffers")->setText(QStringLiteral("99999999999999999999999"));
    Find<QLineEdit>(*pages, "render-delay")->setText(QString());  // no number: no change
    Press(*pages, QDialogButtonBox::Ok);
    EXPECT_EQ(sink->Get("max-buffers"), Value(std::uint64_t{std::numeric_limits<unsigned>::max()}));
    EXPECT_EQ(sink->Get("render-delay"), Value(std::uint64_t{0}));
}

}  // namespace
