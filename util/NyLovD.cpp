#include "util/NyLovD.h"

#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {

void TNyLovD::SetShowField(std::string_view value) {
  std::string v = AnsiUpper(Utf8Prefix(value, 255));
  if (v == showField_) return;
  showField_ = std::move(v);
  ++showFieldChanges_;
}

}  // namespace ny
