#include "app/Form1.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <utility>

#include "app/Form1Model.h"
#include "util/NyApi.h"
#include "util/NyFormat.h"

namespace ny {

TForm1::TForm1(TForm1View& view, TForm1Env env)
    : view_(view), env_(std::move(env)), model_(MakeForm1Model()) {
  ApplyAboutFormats();
  CreateDataAccess();
}

TForm1::~TForm1() = default;

void TForm1::ApplyAboutFormats() {
  // Numbers convert with "." in the C library too, whatever locale the toolkit has set.
  ApplyFixedFormats();
  const TNyComponent& about = model_->Get(kAbout);
  auto separator = [&](const char* property, char& target) {
    const std::string& v = about.Value(property);
    if (v.size() == 1) target = v[0];
  };
  separator("SetThousandSeparator", FormatSettings.ThousandSeparator);
  separator("SetDecimalSeparator", FormatSettings.DecimalSeparator);
  separator("SetDateSeparator", FormatSettings.DateSeparator);
  separator("SetTimeSeparator", FormatSettings.TimeSeparator);
  FormatSettings.ShortDateFormat = about.Str("SetShortDateFormat");
  FormatSettings.ShortTimeFormat = about.Str("SetShortTimeFormat");
  FormatSettings.LongTimeFormat = about.Str("SetLongTimeFormat");
}

std::string TForm1::ActivePage() const {
  return model_->Get(kNotebook).Str("ActivePage");
}

void TForm1::ShowPage(const std::string& page) {
  model_->Get(kNotebook).SetStr("ActivePage", page);
}

bool TForm1::Checked(const std::string& box) const {
  return model_->Get(box).Value("Checked") == BoolValue(true);
}

void TForm1::SetChecked(const std::string& box, bool checked) {
  TNyComponent& c = model_->Get(box);
  if (c.Value("Checked") == BoolValue(checked)) return;
  c.SetValue("Checked", BoolValue(checked));
  chIntViewTxtClick(box);
}

void TForm1::FormKeyPress(char& key) {
  if (key != kKeyEscape) return;
  const std::string page = ActivePage();
  if (page != kPageOptions && page != kPageText) return;
  key = 0;
  ShowPage(kPageList);
  view_.SetFocus(kDocGrid);
}

void TForm1::FormKeyDown(uint16_t& key, unsigned shift) {
  if (key != VK_F3 || shift != ssCtrl || ActivePage() != kPageList) return;
  key = 0;
  bOptionClick();
}

void TForm1::SQLiteDBAfterConnect(const std::string& databasePath) {
  const TNyComponent& about = model_->Get(kAbout);
  model_->SetStr("Caption",
                 about.Str("ProductName") + " " + about.Str("Version") + " [" + databasePath + "]");
}

void TForm1::bExitClick() {
  view_.Close();
}

void TForm1::WriteLog(std::string_view message) {
  if (!logEnabled_) return;
  const std::string file = TempDir() + ChangeExtWhole(ExtractNameWhole(env_.ProgramFile), ".log");
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  std::string line = DateTimeToStr(std::time(nullptr));
  line += ' ';
  line += message;
  line += '\n';
  // One write with O_APPEND keeps the line whole; a short write is retried for the rest.
  size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

void TForm1::CreateZipComponents() {
  zipWriter_ = std::make_unique<TZipWriter>();
  // Packing sets its own level; until then the writer stays at 3.
  zipWriter_->SetCompressionLevel(3);
  zipReader_ = std::make_unique<TZipReader>();
  // The reader's questions and notices go to the window; its long scans keep it alive.
  zipReader_->OnAskYesNo = [this](const std::string& text, const std::string&) {
    return view_.AskYesNo(text);
  };
  zipReader_->OnMessage = [this](const std::string& text, const std::string&) {
    view_.ShowMessage(text);
  };
  zipReader_->OnProcessMessages = [this] { view_.ProcessMessages(); };
}

}  // namespace ny
