// The optical drives from a made-up system: a sysfs tree, a mounts table and
// device files in a temporary folder.
#include "platform/OpticalDrives.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using velvaro::platform::IsoVolumeId;
using velvaro::platform::ListOpticalDrives;
using velvaro::platform::OpticalDrive;
using velvaro::platform::OpticalDriveItemText;

class OpticalDrivesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }

    QString Path(const QString& relative) const { return root.filePath(relative); }

    void Write(const QString& relative, const QByteArray& contents) const {
        QDir().mkpath(QFileInfo(Path(relative)).path());
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    // Sixteen empty sectors, then a primary volume descriptor.
    static QByteArray IsoImage(const QByteArray& volumeId) {
        QByteArray descriptor(2048, '\0');
        descriptor.replace(0, 7, QByteArray("\1CD001\1", 7));
        descriptor.replace(40, 32, volumeId.leftJustified(32, ' '));
        return QByteArray(16 * 2048, '\0') + descriptor;
    }

    // A drive as the kernel shows it: its SCSI peripheral type.
    void Block(const QString& name, const char* type) const {
        Write(QStringLiteral("sys/block/%1/device/type").arg(name), QByteArray(type) + '\n');
        Write(QStringLiteral("sys/block/%1/removable").arg(name), type[0] == '5' ? "1\n" : "0\n");
    }

    std::vector<OpticalDrive> List() const {
        return ListOpticalDrives(Path(QStringLiteral("sys")), Path(QStringLiteral("mounts")),
                                 Path(QStringLiteral("dev")));
    }

    QTemporaryDir root;
};

TEST_F(OpticalDrivesTest, ListsTheOpticalDrivesWithTheirVolumesAndLeavesHardDisksOut) {
    Block(QStringLiteral("sda"), "0");
    Block(QStringLiteral("sr0"), "5");
    Block(QStringLiteral("sr1"), "5");
    // The hard disk holds an ISO 9660 image's bytes, and is still no drive.
    Write(QStringLiteral("dev/sda"), IsoImage("NOT_A_DISC"));
    Write(QStringLiteral("dev/sr0"), IsoImage("HOLIDAY"));
    Write(QStringLiteral("mounts"),
          "/dev/sda1 / ext4 rw,relatime 0 0\n"
          "proc /proc proc rw 0 0\n"
          "/dev/sr0 /media/my\\040cdrom iso9660 ro,nosuid 0 0\n");

    const auto drives = List();
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].device, Path(QStringLiteral("dev/sr0")));
    EXPECT_EQ(drives[0].mountPoint, QStringLiteral("/media/my cdrom"));
    EXPECT_EQ(drives[1].device, Path(QStringLiteral("dev/sr1")));
    EXPECT_EQ(drives[1].mountPoint, QString());

    const QString noDisk = QStringLiteral("No disk in drive");
    bool enabled = false;
    EXPECT_EQ(OpticalDriveItemText(drives[0], noDisk, &enabled),
              QStringLiteral("HOLIDAY (/media/my cdrom)"));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(OpticalDriveItemText(drives[1], noDisk, &enabled),
              QStringLiteral("No disk in drive (%1)").arg(Path(QStringLiteral("dev/sr1"))));
    EXPECT_FALSE(enabled);
}

TEST_F(OpticalDrivesTest, ReadsTheLabelOfADiscThatIsInTheDriveButNotMounted) {
    Block(QStringLiteral("sr0"), "5");
    Block(QStringLiteral("sr1"), "5");
    Write(QStringLiteral("dev/sr0"), IsoImage("FILMS"));
    // A medium without an ISO 9660 volume: no name to show.
    Write(QStringLiteral("dev/sr1"), QByteArray(40000, '\x55'));
    Write(QStringLiteral("mounts"), "");

    const auto drives = List();
    ASSERT_EQ(drives.size(), 2u);
    bool enabled = false;
    EXPECT_EQ(OpticalDriveItemText(drives[0], QStringLiteral("-"), &enabled),
              QStringLiteral("FILMS (%1)").arg(Path(QStringLiteral("dev/sr0"))));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(OpticalDriveItemText(drives[1], QStringLiteral("-"), &enabled),
              QStringLiteral("- (%1)").arg(Path(QStringLiteral("dev/sr1"))));
    EXPECT_FALSE(enabled);
}

TEST_F(OpticalDrivesTest, ListsDrivesInNumberOrderAndDiscVolumesMountedFromImages) {
    for (const char* name : {"sr10", "sr2", "vda"}) {
        Block(QString::fromLatin1(name), name[0] == 's' ? "5" : "0");
    }
    Write(QStringLiteral("mounts"),
          "/dev/vda1 / ext4 rw 0 0\n"
          "/dev/loop3 /mnt/image iso9660 ro 0 0\n"
          "/dev/loop4 /mnt/data ext4 ro 0 0\n");
    const auto drives = List();
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].device, Path(QStringLiteral("dev/sr2")));
    EXPECT_EQ(drives[1].device, Path(QStringLiteral("dev/sr10")));
    EXPECT_EQ(std::tuple(drives[2].device, drives[2].mountPoint, drives[2].hasMedium),
              std::tuple(QStringLiteral("/dev/loop3"), QStringLiteral("/mnt/image"), true));
}

TEST_F(OpticalDrivesTest, NothingToReadGivesNoDrivesAndNoLabel) {
    EXPECT_TRUE(
        ListOpticalDrives(Path(QStringLiteral("missing")), Path(QStringLiteral("missing-mounts")))
            .empty());
    EXPECT_EQ(IsoVolumeId(Path(QStringLiteral("missing"))), QString());
    EXPECT_EQ(IsoVolumeId(root.path()), QString());
    Write(QStringLiteral("short"), QByteArray(100, 'x'));
    EXPECT_EQ(IsoVolumeId(Path(QStringLiteral("short"))), QString());
    EXPECT_EQ(IsoVolumeId(QStringLiteral("/dev/null")), QString());
}

}  // namespace
