// Discs remembered as having passed the check process: by what they hold,
// so a changed disc is checked again, and never a drive or a disc that
// failed.
#include "PlayerFixture.h"
#include "engine/CheckedVolumes.h"
#include "engine/DvdVolumeCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <filesystem>

namespace {

using namespace velvaro::engine;
using namespace velvaro::test;
namespace fs = std::filesystem;

// A copy of the test disc `name`'s VIDEO_TS folder in `folder`.
std::string CopyDisc(const QTemporaryDir& folder, const std::string& name) {
    const fs::path copy = fs::path(folder.path().toStdString()) / name / "VIDEO_TS";
    fs::create_directories(copy.parent_path());
    fs::copy(Media(name + "/VIDEO_TS"), copy, fs::copy_options::recursive);
    return copy.string();
}

TEST(CheckedVolumes, ADiscIsKnownByWhatItHoldsAndADriveNever) {
    QTemporaryDir folder;
    const std::string disc = CopyDisc(folder, "dvd/short");
    const std::string identity = CheckedVolumes::Identity(disc);
    ASSERT_FALSE(identity.empty());
    EXPECT_EQ(CheckedVolumes::Identity(disc + "/"), identity);
    EXPECT_EQ(CheckedVolumes::Identity(Media("dvd/short/VIDEO_TS")).size(), identity.size());
    EXPECT_NE(CheckedVolumes::Identity(Media("dvd/short/VIDEO_TS")), identity)
        << "another place is another disc";

    // One byte of a table changed, with its size and time as they were.
    const QString table = QString::fromStdString(disc) + QStringLiteral("/VTS_01_0.IFO");
    const auto time = fs::last_write_time(table.toStdString());
    {
        QFile file(table);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(200);
        char byte = 0;
        file.getChar(&byte);
        file.seek(200);
        file.putChar(static_cast<char>(byte ^ 1));
    }
    fs::last_write_time(table.toStdString(), time);
    EXPECT_NE(CheckedVolumes::Identity(disc), identity);

    // An image by its size and time; a drive, or nothing, has no identity.
    const std::string image = Media("dvd/menu.iso");
    EXPECT_FALSE(CheckedVolumes::Identity(image).empty());
    for (const std::string& none : {std::string("/dev/null"), disc + "/missing"}) {
        EXPECT_TRUE(CheckedVolumes::Identity(none).empty()) << none;
    }

    // The list keeps the newest two hundred; an empty identity is never in it.
    CheckedVolumes list(folder.filePath(QStringLiteral("cache/checked")).toStdString());
    EXPECT_FALSE(list.Passed(identity));
    list.RememberPassed(identity);
    EXPECT_TRUE(list.Passed(identity));
    list.RememberPassed("");
    EXPECT_FALSE(list.Passed(""));
    for (int i = 0; i < 200; ++i) {
        list.RememberPassed("disc " + std::to_string(i));
    }
    EXPECT_FALSE(list.Passed(identity));
    EXPECT_TRUE(list.Passed("disc 0") && list.Passed("disc 199"));
}

// The check runs once for a good disc, every time for a damaged one.
TEST(CheckedVolumes, TheCheckRemembersAGoodDiscAndNotADamagedOne) {
    QTemporaryDir folder;
    const std::atomic<bool> cancelled{false};
    const std::string good = CopyDisc(folder, "dvd/short");
    const std::string damaged = CopyDisc(folder, "dvd/damaged");
    const CheckedVolumes user = CheckedVolumes::ForUser();
    ASSERT_FALSE(user.Passed(CheckedVolumes::Identity(good)));
    EXPECT_TRUE(CheckVolume(good, cancelled));
    EXPECT_TRUE(user.Passed(CheckedVolumes::Identity(good)));
    for (int time = 0; time < 2; ++time) {
        const auto log = EngineWarnings();
        EXPECT_FALSE(CheckVolume(damaged, cancelled));
        EXPECT_EQ(log.Count(), 1) << "the damaged disc was not checked again";
    }
    EXPECT_FALSE(user.Passed(CheckedVolumes::Identity(damaged)));
}

}  // namespace
