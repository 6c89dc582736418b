// The exception classes of the data layer. Each carries only its message.
//
// SLError: usage and configuration errors (no database property, library not loadable, a
// statement finalization that failed, a read-only record set written to, ...).
// EDatabaseError: engine errors ("??? SQLite ERR-" + the engine's message) and record-set
// errors ("No Records", "Bookmark not found", ...).
#pragma once

#include <stdexcept>
#include <string>

namespace ny {

class SLError : public std::runtime_error {
 public:
  explicit SLError(const std::string& message) : std::runtime_error(message) {}
};

class EDatabaseError : public std::runtime_error {
 public:
  explicit EDatabaseError(const std::string& message) : std::runtime_error(message) {}
};

// A text that does not convert to the wanted value ("'abc' is not a valid date",
// "'x' is not a valid integer value").
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// An object used as a kind it is not (a blob stream asked for on a field that holds no blob).
class EInvalidCast : public std::runtime_error {
 public:
  EInvalidCast() : std::runtime_error("Invalid class typecast") {}
};

}  // namespace ny
