// Test helpers: a fresh temporary directory per test, and small file and process utilities.
#pragma once

#include <string>
#include <string_view>

namespace nytest {

// A directory created empty under the system's temporary directory and removed, with all it
// holds, when the object goes. Path() ends with '/'.
class TestDir {
 public:
  TestDir();
  ~TestDir();
  TestDir(const TestDir&) = delete;
  TestDir& operator=(const TestDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path() + name.
  std::string operator/(std::string_view name) const;

 private:
  std::string path_;
};

// Writes `bytes` to `path` (creating or truncating it); fails the test on error.
void WriteFile(const std::string& path, std::string_view bytes);
// The whole file; "" when it cannot be read.
std::string ReadFile(const std::string& path);
// Runs `command` through /bin/sh; returns the exit status and puts standard output (and
// standard error, merged) into `output` when given.
int RunShell(const std::string& command, std::string* output = nullptr);
// True when `program` is found on PATH.
bool HaveTool(const std::string& program);

}  // namespace nytest
