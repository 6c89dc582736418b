// The process's current directory kept across an operation that may change it.
#pragma once

#include <string>

namespace ny {

// The current working directory, without a trailing '/' (as getcwd gives it); "" when it
// cannot be read (removed, or longer than the system allows).
std::string GetCurrentDir();

// Remembers the current directory when made and changes back to it when it goes, on every
// way out (also when an exception leaves the scope). When the directory could not be read at
// the start, or can no longer be entered at the end, nothing is changed back.
class TNyCurrentDirGuard {
 public:
  TNyCurrentDirGuard();
  ~TNyCurrentDirGuard();
  TNyCurrentDirGuard(const TNyCurrentDirGuard&) = delete;
  TNyCurrentDirGuard& operator=(const TNyCurrentDirGuard&) = delete;

  // The directory remembered ("" when none could be read).
  const std::string& Saved() const { return saved_; }

 private:
  std::string saved_;
};

}  // namespace ny
