#include "util/NyDrives.h"

#include <gtest/gtest.h>

#include "util/NyFileListBox.h"

using namespace ny;

TEST(NyDrives, MountsTableTypedAndFiltered) {
  const char* mounts =
      "/dev/sda2 / ext4 rw,relatime 0 0\n"
      "proc /proc proc rw 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "/dev/sda3 /home ext4 rw 0 0\n"
      "/dev/sdb1 /media/u/USB\\040STICK vfat rw 0 0\n"
      "/dev/sdc1 /run/media/u/CARD exfat rw 0 0\n"
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "//nas/share /mnt/smb cifs rw 0 0\n"
      "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
      "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
      "overlay /var/lib/docker/x overlay rw 0 0\n"
      "broken-line\n"
      "/dev/sdd1 relative ext4 rw 0 0\n"
      "/dev/sde1 /home ext4 rw 0 0\n";
  const std::vector<TNyDrive> drives = ParseMounts(mounts, {{"/dev/sda2", "system"}});
  const std::vector<TNyDrive> expected = {
      {"/", "system", TDriveType::dtFixed},
      {"/home/", "/dev/sde1", TDriveType::dtFixed},  // the later mount hides the earlier
      {"/media/cdrom/", "/dev/sr0", TDriveType::dtCDROM},
      {"/media/u/USB STICK/", "/dev/sdb1", TDriveType::dtRemovable},
      {"/mnt/nfs/", "server:/export", TDriveType::dtRemote},
      {"/mnt/smb/", "//nas/share", TDriveType::dtRemote},
      {"/run/media/u/CARD/", "/dev/sdc1", TDriveType::dtRemovable},
      {"/tmp/", "tmpfs", TDriveType::dtRamDisk},
  };
  EXPECT_EQ(drives, expected);
  // Without a mount of "/" (a bare table) it is listed all the same.
  EXPECT_EQ(ParseMounts(""), (std::vector<TNyDrive>{{"/", "/", TDriveType::dtFixed}}));

  // The file list shows the kinds OptionsDrive holds, as "<mount point> <name>".
  TNyFileListBox list;
  list.DriveSource = [&] { return drives; };
  list.SetOptionsDrive({TDriveType::dtRemovable, TDriveType::dtCDROM});
  list.FillList();
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"/media/cdrom /dev/sr0",
                                                    "/media/u/USB STICK /dev/sdb1",
                                                    "/run/media/u/CARD /dev/sdc1"}));
  EXPECT_EQ(list.FullPath(1), "/media/u/USB STICK/");
  EXPECT_EQ(list.Items()[0].Drive, TDriveType::dtCDROM);
  // This system's own table always gives "/" first.
  ASSERT_FALSE(SystemDrives().empty());
  EXPECT_EQ(SystemDrives().front().Root, "/");
}
