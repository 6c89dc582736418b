#include "util/NyDrives.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>

#include "util/NyApi.h"

namespace ny {

namespace {

constexpr size_t kMaxMountsBytes = 1 << 20;

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

int OctalDigit(char c) {
  return c >= '0' && c <= '7' ? c - '0' : -1;
}

// A field of the mounts table with its "\ooo" escapes decoded.
std::string Unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && OctalDigit(field[i + 1]) >= 0 &&
        OctalDigit(field[i + 2]) >= 0 && OctalDigit(field[i + 3]) >= 0) {
      const int v = OctalDigit(field[i + 1]) * 64 + OctalDigit(field[i + 2]) * 8 +
                    OctalDigit(field[i + 3]);
      if (v > 0 && v < 256) {
        out += static_cast<char>(v);
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

// The blank-separated fields of one line.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

constexpr std::array<std::string_view, 13> kRemote = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs", "ceph",
    "glusterfs", "fuse.davfs2", "fuse.rclone"};

bool IsOneOf(std::string_view type, const auto& list) {
  return std::find(list.begin(), list.end(), type) != list.end();
}

// The drive type of a mount, or dtUnknown for a file system the list leaves out.
TDriveType TypeOf(std::string_view device, std::string_view root, std::string_view type) {
  if (IsOneOf(type, kRemote)) return TDriveType::dtRemote;
  if (type == "iso9660" || type == "udf") return TDriveType::dtCDROM;
  if (type == "tmpfs" || type == "ramfs") return TDriveType::dtRamDisk;
  if (type == "squashfs" || !StartsWith(device, "/dev/")) return TDriveType::dtUnknown;
  if (StartsWith(root, "/media/") || StartsWith(root, "/run/media/")) {
    return TDriveType::dtRemovable;
  }
  return TDriveType::dtFixed;
}

bool HiddenPlace(std::string_view root) {
  for (std::string_view p : {"/proc/", "/sys/", "/dev/"}) {
    if (StartsWith(root, p)) return true;
  }
  return StartsWith(root, "/run/") && !StartsWith(root, "/run/media/");
}

// "\x20" escapes of the names in /dev/disk/by-label.
std::string UnescapeLabel(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const std::string hex(name.substr(i + 2, 2));
      char* end = nullptr;
      const long v = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2 && v > 0) {
        out += static_cast<char>(v);
        i += 3;
        continue;
      }
    }
    out += name[i];
  }
  return out;
}

}  // namespace

std::vector<TNyDrive> ParseMounts(std::string_view text,
                                  const std::vector<std::pair<std::string, std::string>>& labels) {
  std::vector<TNyDrive> found;
  TNyDrive root{"/", "/", TDriveType::dtFixed};
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> f = Fields(text.substr(pos, end - pos));
    pos = end + 1;
    if (f.size() < 3) continue;
    const std::string device = Unescape(f[0]);
    const std::string mount = Unescape(f[1]);
    const std::string_view type = f[2];
    if (mount.empty() || mount[0] != '/') continue;
    const std::string dir = AddBackslash(mount);
    std::string name = device;
    for (const auto& [dev, label] : labels) {
      if (dev == device) name = label;
    }
    if (dir == "/") {
      // "/" is always listed; a later mount of it tells what it is.
      const TDriveType t = TypeOf(device, dir, type);
      root = TNyDrive{"/", name, t == TDriveType::dtUnknown ? TDriveType::dtFixed : t};
      continue;
    }
    const TDriveType t = TypeOf(device, dir, type);
    if (t == TDriveType::dtUnknown || HiddenPlace(dir)) continue;
    std::erase_if(found, [&](const TNyDrive& d) { return d.Root == dir; });
    found.push_back(TNyDrive{dir, name, t});
  }
  std::sort(found.begin(), found.end(),
            [](const TNyDrive& a, const TNyDrive& b) { return a.Root < b.Root; });
  found.insert(found.begin(), root);
  return found;
}

std::vector<TNyDrive> SystemDrives() {
  std::string text;
  const int fd = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buf[8192];
    ssize_t n;
    while (text.size() < kMaxMountsBytes && (n = ::read(fd, buf, sizeof buf)) > 0) {
      text.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
  }
  std::vector<std::pair<std::string, std::string>> labels;
  const std::string byLabel = "/dev/disk/by-label/";
  if (DIR* d = ::opendir(byLabel.c_str())) {
    std::unique_ptr<DIR, int (*)(DIR*)> guard(d, ::closedir);
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      char real[PATH_MAX];
      if (::realpath((byLabel + name).c_str(), real) != nullptr) {
        labels.emplace_back(real, UnescapeLabel(name));
      }
    }
  }
  return ParseMounts(text, labels);
}

}  // namespace ny
