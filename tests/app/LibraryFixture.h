// A main window with a recording fake view over a real library file in a test directory.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/Form1Model.h"
#include "common/ProgramDirTest.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"
#include "util/NyRichView.h"

namespace nytest {

class RecordingView : public ny::TForm1View {
 public:
  void SetFocus(const std::string& control) override { calls.push_back("focus " + control); }
  void FocusNext() override { calls.push_back("focus next"); }
  void SetBusy(bool busy) override { calls.push_back(busy ? "busy" : "idle"); }
  void ShowMessage(const std::string& text) override { calls.push_back("message " + text); }
  bool AskYesNo(const std::string& text) override {
    calls.push_back("ask " + text);
    return yes;
  }
  std::optional<std::string> RunOpenDialog(const ny::TOpenDialogRequest& request) override {
    calls.push_back("open dialog " + request.Title);
    lastRequest = request;
    return openResult;
  }
  bool RunFontDialog(ny::TViewerFont&) override { return false; }
  void SetViewerFont(const ny::TViewerFont&) override {}
  void ProcessMessages() override {}
  void Beep() override { calls.push_back("beep"); }
  void Close() override { calls.push_back("close"); }
  void LoadViewer(const std::string& path) override {
    calls.push_back("view " + path);
    viewerText = ny::ViewerText(ny::LoadViewerFile(path, ny::TRichStreamFormat::sfDefault, false, 1));
  }

  std::vector<std::string> calls;
  std::string viewerText;  // the text of the last LoadViewer
  bool yes = false;
  std::optional<std::string> openResult;
  ny::TOpenDialogRequest lastRequest;
};

class LibraryTest : public ProgramDirTest {
 protected:
  std::unique_ptr<ny::TForm1> Start() {
    auto form = std::make_unique<ny::TForm1>(view_, env_);
    form->FormCreate();
    return form;
  }
  // One statement on the library file through a connection of its own; the first column of
  // the first row ("" for none).
  std::string Sql(const std::string& text) {
    ny::TNySQLite3DB db;
    db.SetDatabase(lib_);
    db.SetConnected(true);
    std::string out;
    db.QueryValue(text, {}, true, out);
    return out;
  }
  void Exec(const std::string& script) {
    ny::TNySQLite3DB db;
    db.SetDatabase(lib_);
    db.SetConnected(true);
    db.ExecuteScript(script);
  }
  // "AUTHOR|NAME" of every row of the list, in list order.
  static std::vector<std::string> Rows(ny::TForm1& f, const char* a = "AUTHOR",
                                       const char* b = "NAME") {
    std::vector<std::string> out;
    ny::TNyDataSet& ds = f.LstDoc();
    for (ds.First(); !ds.Eof(); ds.Next()) {
      out.push_back(ds.FieldByName(a).AsString() + "|" + ds.FieldByName(b).AsString());
    }
    return out;
  }

  RecordingView view_;
  std::string lib_ = dir_ / "Books.sqb";
};

}  // namespace nytest
