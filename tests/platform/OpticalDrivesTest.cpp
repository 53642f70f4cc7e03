// The optical drives from a made-up system: a sysfs tree, a mounts table and
// device files in a temporary folder.
#include "platform/OpticalDrives.h"

#include "FileBytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;
using namespace velvaro::platform;

class OpticalDrivesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }

    QString Path(const QString& relative) const { return root.filePath(relative); }

    void Write(const QString& relative, const QByteArray& contents) const {
        velvaro::test::WriteBytes(Path(relative).toStdString(), contents.toStdString());
    }

    // Sixteen empty sectors, then a primary volume descriptor.
    static QByteArray IsoImage(const QByteArray& volumeId) {
        QByteArray descriptor(2048, '\0');
        descriptor.replace(0, 7, QByteArray("\1CD001\1", 7));
        descriptor.replace(40, 32, volumeId.leftJustified(32, ' '));
        return QByteArray(16 * 2048, '\0') + descriptor;
    }

    QTemporaryDir root;
};

TEST_F(OpticalDrivesTest, ListsOpticalDrivesInNumberOrderWithTheirVolumesAndMountedDiscImages) {
    // Each drive as the kernel shows it: its SCSI peripheral type.
    for (const QString& name : {u"sda"_s, u"vda"_s, u"sr10"_s, u"sr0"_s, u"sr1"_s, u"sr2"_s}) {
        const QByteArray type = name.startsWith(u"sr") ? "5" : "0";
        Write(u"sys/block/%1/device/type"_s.arg(name), type + '\n');
        Write(u"sys/block/%1/removable"_s.arg(name), type == "5" ? "1\n" : "0\n");
    }
    // The hard disk holds an ISO 9660 image's bytes, and is still no drive.
    Write(u"dev/sda"_s, IsoImage("NOT_A_DISC"));
    Write(u"dev/sr0"_s, IsoImage("HOLIDAY"));
    Write(u"dev/sr2"_s, IsoImage("FILMS"));  // in the drive, not mounted
    // A medium without an ISO 9660 volume: no name to show. sr1 has none at all.
    Write(u"dev/sr10"_s, QByteArray(40000, '\x55'));
    Write(u"mounts"_s,
          "/dev/sda1 / ext4 rw,relatime 0 0\n"
          "proc /proc proc rw 0 0\n"
          "/dev/sr0 /media/my\\040cdrom iso9660 ro,nosuid 0 0\n"
          "/dev/loop3 /mnt/image iso9660 ro 0 0\n"
          "/dev/loop4 /mnt/data ext4 ro 0 0\n");

    // Without a readable medium the item says so and is greyed.
    const QString noDisk = u"No disk in drive"_s;
    const QString sr1 = Path(u"dev/sr1"_s), sr2 = Path(u"dev/sr2"_s), sr10 = Path(u"dev/sr10"_s);
    const struct {
        QString device, mountPoint, text;
    } expected[] = {
        {Path(u"dev/sr0"_s), u"/media/my cdrom"_s, u"HOLIDAY (/media/my cdrom)"_s},
        {sr1, {}, noDisk + u" ("_s + sr1 + u')'},
        {sr2, {}, u"FILMS ("_s + sr2 + u')'},
        {sr10, {}, noDisk + u" ("_s + sr10 + u')'},
        {u"/dev/loop3"_s, u"/mnt/image"_s, {}},  // its name is the machine's own loop3's
    };
    const auto drives = ListOpticalDrives(Path(u"sys"_s), Path(u"mounts"_s), Path(u"dev"_s));
    ASSERT_EQ(drives.size(), std::size(expected));
    for (size_t i = 0; i < drives.size(); ++i) {
        const auto& e = expected[i];
        SCOPED_TRACE(e.device.toStdString());
        EXPECT_EQ(std::pair(drives[i].device, drives[i].mountPoint),
                  std::pair(e.device, e.mountPoint));
        bool enabled = false;
        const QString text = OpticalDriveItemText(drives[i], noDisk, &enabled);
        EXPECT_TRUE(e.text.isEmpty() || text == e.text) << text.toStdString();
        EXPECT_EQ(enabled, !text.startsWith(noDisk));
    }
}

TEST_F(OpticalDrivesTest, NothingToReadGivesNoDrivesAndNoLabel) {
    EXPECT_TRUE(ListOpticalDrives(Path(u"missing"_s), Path(u"missing-mounts"_s)).empty());
    Write(u"short"_s, QByteArray(100, 'x'));
    for (const QString& path :
         {Path(u"missing"_s), root.path(), Path(u"short"_s), u"/dev/null"_s}) {
        EXPECT_EQ(IsoVolumeId(path), QString()) << path.toStdString();
    }
}

}  // namespace
