// Catalogue rows for the archive tests, held as values and located as the subject and
// archiver tables locate them: whole value, without regard to letter case (Cyrillic too).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "archive/ArchiveExtract.h"
#include "archive/ArchiveOps.h"
#include "util/NyApi.h"

namespace nytest {

class TCatalogRows : public ny::TSubjectLookup, public ny::TArchiverLookup {
 public:
  std::map<std::string, std::string> subjects;   // NAM -> DIR
  std::map<std::string, std::string> archivers;  // NAM -> GET
  std::string currentSubject;                    // where the subject table stands

  std::optional<std::string> LocateSubject(const std::string& subject) override {
    return Find(subjects, subject, &currentSubject);
  }
  std::optional<std::string> LocateArchiver(const std::string& format) override {
    return Find(archivers, format, nullptr);
  }

 private:
  static std::optional<std::string> Find(const std::map<std::string, std::string>& rows,
                                         const std::string& key, std::string* position) {
    for (const auto& [nam, value] : rows) {
      if (ny::AnsiUpper(nam) == ny::AnsiUpper(key)) {
        if (position != nullptr) *position = nam;
        return value;
      }
    }
    return std::nullopt;
  }
};

}  // namespace nytest
