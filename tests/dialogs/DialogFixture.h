// What the dialog tests share: a registry of their own, the built-in English
// texts, a file of the test media opened into an owner window when a test
// wants an engine, and short ways to find controls and read their texts.
#pragma once

#include "EventLoop.h"
#include "ModalDialogWatcher.h"
#include "QtPrinting.h"
#include "TestRegistry.h"
#include "dialogs/DialogSupport.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace velvaro::test {

inline std::string Media(const std::string& name) {
    return std::string(VELVARO_TEST_MEDIA) + "/" + name;
}

template <typename Control>
Control* Find(const QWidget& dialog, const char* name) {
    auto* control = dialog.findChild<Control*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

inline void Press(const QWidget& dialog, const char* button) {
    QTest::mouseClick(Find<QAbstractButton>(dialog, button), Qt::LeftButton);
}

// The ways a person cancels a dialog: its Cancel button, Escape, the close box.
inline const std::function<void(QDialog&)> kCancelWays[] = {
    [](QDialog& open) { Press(open, "IDC_BUTTON_ABBRECHEN"); },
    [](QDialog& open) { QTest::keyClick(&open, Qt::Key_Escape); },
    [](QDialog& open) { open.close(); },
};

// A double click the way a window system delivers it: press, release,
// double click, release.
inline void DoubleClick(QWidget* viewport, QPoint place) {
    QTest::mouseClick(viewport, Qt::LeftButton, {}, place);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, place);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, place);
}

// Types `path` where a person would (selectFile leaves the name box alone
// while it has the focus) and accepts through the dialog's own check; an
// empty path cancels.
inline void Answer(QFileDialog& box, const QString& path) {
    box.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    path.isEmpty() ? box.reject() : static_cast<QDialog&>(box).accept();
}

// Runs `start`, which shows a modal D, with `act` as the person at it; D
// must show exactly once. Returns what `start` returns.
template <typename D, typename Start>
auto RunModal(const std::function<void(D&)>& act, Start start) {
    ModalDialogWatcher<D> user(act);
    const auto result = start();
    EXPECT_EQ(user.Count(), 1);
    return result;
}

// The caption for "", else the text of the label or button of that name,
// joined by '|'.
inline QString Texts(const QWidget& dialog, std::initializer_list<const char*> names) {
    QStringList texts;
    for (const char* name : names) {
        const QObject* control = dialog.findChild<QObject*>(QString::fromLatin1(name));
        texts << (!*name    ? dialog.windowTitle()
                  : control ? control->property("text").toString()
                            : QStringLiteral("<no %1>").arg(QString::fromLatin1(name)));
    }
    return texts.join(u'|');
}

class DialogTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(english.LoadResource(250), 0);  // IDR_LNG_ENGLISH
        ASSERT_EQ(german.LoadResource(248), 0);   // IDR_LNG_GERMAN
    }
    void TearDown() override {
        engine.reset();
        RegistryTest::TearDown();
    }

    void Open(const std::string& name) {
        const std::string path = Media(name);
        engine =
            std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &owner, path, 0, 0, 0);
        ASSERT_EQ(engine->GetOpenResult(), S_OK) << name;
    }

    CLanguageFile english;
    CLanguageFile german;
    QWidget owner;
    std::unique_ptr<CFilePlayer> engine;
};

}  // namespace velvaro::test
