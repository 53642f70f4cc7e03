// The CD and DVD drives of the system and what is in them, for the popup
// that plays a disc: the drives the kernel knows as optical, with the mount
// of each and the volume's name.
#pragma once

#include <QString>

#include <vector>

namespace velvaro::platform {

struct OpticalDrive {
    QString device;
    QString mountPoint;
    QString label;
    bool hasMedium = false;
};

// Optical drives: /sys/block/sr* and any block device whose SCSI type is 5
// (CD/DVD), in name order, each joined with its mount in `mountsFile`; then
// iso9660/udf file systems mounted from anything else (a loop-mounted image),
// as such a volume counts as a disc too. Devices are named under `devRoot`.
// Roots are parameters so tests can fake them.
std::vector<OpticalDrive> ListOpticalDrives(
    const QString& sysRoot = QStringLiteral("/sys"),
    const QString& mountsFile = QStringLiteral("/proc/self/mounts"),
    const QString& devRoot = QStringLiteral("/dev"));

// "LABEL (/media/cdrom)": the mount point, or for a disc that is in the drive
// but not mounted, the device. Without a readable medium: `noDisk` +
// " (/dev/sr0)" with *enabled false.
QString OpticalDriveItemText(const OpticalDrive& drive, const QString& noDisk, bool* enabled);

// The volume id of the ISO 9660 primary volume descriptor (sector 16) of an
// image file or a device, trailing blanks removed; empty when there is none
// or it cannot be read. Never waits for a drive without a medium.
QString IsoVolumeId(const QString& path);

// The name of the mounted volume whose root is `mountPoint`: its label, or
// the ISO 9660 volume id read from its device; empty when `mountPoint` is not
// the root of a mount or the volume has no name.
QString MountedVolumeName(const QString& mountPoint);

// Whether `path` is the root of a mounted file system.
bool IsMountPoint(const QString& path);

}  // namespace velvaro::platform
