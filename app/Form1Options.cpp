// The handlers of the options page.
#include <algorithm>

#include "app/Form1.h"
#include "app/Form1Model.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"

namespace ny {

void TForm1::bOptionClick() {
  ShowPage(kPageOptions);
  view_.SetFocus(kArchiverGrid);
}

void TForm1::chIntViewTxtClick(const std::string& box) {
  IniWriteStr(env_.SettingsFile, "main", box, Checked(box) ? "1" : "0");
}

void TForm1::bFontClick() {
  TViewerFont font = viewerFont_;
  if (!view_.RunFontDialog(font)) return;
  font.Charset = std::clamp(font.Charset, 0, 255);
  viewerFont_ = font;
  ShowFontCaption();
  IniWriteStr(env_.SettingsFile, "main", "FontName", font.Name);
  IniWriteInt(env_.SettingsFile, "main", "FontCSet", font.Charset);
  IniWriteInt(env_.SettingsFile, "main", "FontSize", font.Size);
}

void TForm1::bAboutClick() {
  if (about_) about_->ShowAbout("", true);
}

void TForm1::SelectLanguage(int index) {
  TNyComponent& lang = model_->Get(kLangCombo);
  const int count = static_cast<int>(lang.Items("Items").size());
  if (index < 0 || index >= count) index = -1;
  lang.SetValue("ItemIndex", std::to_string(index));
  cbLangChange(true);
}

void TForm1::cbLangChange(bool byUser) {
  TNyComponent& lang = model_->Get(kLangCombo);
  const std::vector<std::string>& items = lang.Items("Items");
  const int index = std::atoi(lang.Value("ItemIndex").c_str());
  const std::string text =
      index >= 0 && index < static_cast<int>(items.size()) ? items[static_cast<size_t>(index)] : "";
  if (byUser) IniWriteStr(env_.SettingsFile, "Main", "Language", text);
  langCode_ = LangCodeOfEntry(text);
  TranslateForm(*model_, langCode_, true);
}

}  // namespace ny
