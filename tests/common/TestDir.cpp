#include "common/TestDir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace nytest {

TestDir::TestDir() {
  std::string base = std::filesystem::temp_directory_path().string();
  std::string templ = base + "/vellum-test-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed";
  }
  path_ = templ + "/";
}

TestDir::~TestDir() {
  std::error_code ec;
  // Make everything writable again so that read-only files and directories go too.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add |
                                     std::filesystem::perm_options::nofollow,
                                 ec);
    ec.clear();
  }
  std::filesystem::remove_all(path_, ec);
}

std::string TestDir::operator/(std::string_view name) const { return path_ + std::string(name); }

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << "cannot write " << path;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int RunShell(const std::string& command, std::string* output) {
  std::string cmd = command + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return -1;
  std::array<char, 4096> buf{};
  std::string out;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int status = pclose(p);
  if (output != nullptr) *output = out;
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool HaveTool(const std::string& program) {
  return RunShell("command -v '" + program + "' >/dev/null") == 0;
}

}  // namespace nytest
