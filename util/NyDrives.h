// The drives of the file list box: "/" and the mount points of real file systems.
//
// A Linux system has one tree, so a "drive" is a mount point. The list holds "/" first and
// then every mount point of /proc/self/mounts that carries a file system a user keeps files
// on, typed the way the drive filter of the file list box asks:
//   removable  mounted under /media/ or /run/media/ (what the desktop mounts for a stick)
//   remote     nfs, nfs4, cifs, smb3, smbfs, sshfs (fuse.sshfs), 9p, afs, ceph, glusterfs,
//              davfs (fuse.davfs2), fuse.rclone
//   CD-ROM     iso9660, udf
//   RAM disk   tmpfs, ramfs
//   fixed      any other file system on a block device (the device starts with "/dev/")
// Kernel and pseudo file systems (proc, sysfs, cgroup, devpts, overlay layers, squashfs
// images, ...) and mount points under /proc/, /sys/, /dev/ and /run/ (except /run/media/)
// are left out. A mount point mounted again later replaces the earlier entry, as the later
// mount hides the earlier one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ny {

enum class TDriveType { dtUnknown, dtNonExisting, dtRemovable, dtFixed, dtRemote, dtCDROM, dtRamDisk };

struct TNyDrive {
  std::string Root;         // the mount point, ending with '/'
  std::string DisplayName;  // the file system's label, else its device ("/dev/sda1", "tmpfs")
  TDriveType Type = TDriveType::dtFixed;
  bool operator==(const TNyDrive&) const = default;
};

// The drives described by the text of a mounts table (the format of /proc/self/mounts:
// device, mount point, type, options, two numbers; blanks, tabs, line feeds and backslashes
// in the first two fields written as octal escapes "\040"). `labels` maps devices to labels
// (pairs of device path and label); a device without a label shows its device name. "/" is
// always the first entry, typed fixed and named "/" when the table does not mount it.
// Malformed lines (fewer than three fields, a mount point that is not absolute) are skipped.
// Entries after "/" are sorted by mount point.
std::vector<TNyDrive> ParseMounts(std::string_view mountsText,
                                  const std::vector<std::pair<std::string, std::string>>& labels = {});

// The drives of this system: /proc/self/mounts (at most 1 MiB of it is read) with the labels
// of /dev/disk/by-label. Only "/" when the table cannot be read.
std::vector<TNyDrive> SystemDrives();

}  // namespace ny
