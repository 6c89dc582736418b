#include "util/NyCurrentDir.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace ny {

std::string GetCurrentDir() {
  std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), std::free);
  return cwd ? std::string(cwd.get()) : std::string();
}

TNyCurrentDirGuard::TNyCurrentDirGuard() : saved_(GetCurrentDir()) {}

TNyCurrentDirGuard::~TNyCurrentDirGuard() {
  if (saved_.empty()) return;
  const int rc = ::chdir(saved_.c_str());
  (void)rc;
}

}  // namespace ny
