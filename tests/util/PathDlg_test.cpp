#include "util/PathDlg.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/TestDir.h"
#include "util/NyApi.h"

namespace {

// The chooser closes as scripted, one result per opening.
class FakeChooser : public ny::TPathDlgView {
 public:
  ny::TPathBrowseResult Browse(const ny::TPathBrowseRequest& r, ny::TPathDlg& d) override {
    requests.push_back(r);
    d.BrowserShown();
    d.SelectionChanged(r.Selection);
    if (select) d.SetDirectory(*select);
    ny::TPathBrowseResult result = results.front();
    results.pop_front();
    return result;
  }
  void Select(const std::string& path) override { calls.push_back("select " + path); }
  std::optional<std::string> InputBox(const std::string& c, const std::string& p,
                                      const std::string&) override {
    calls.push_back(c + "|" + p);
    return answer;
  }
  bool AskYesNo(const std::string& text) override {
    calls.push_back("ask " + text);
    return true;
  }
  void ShowMessage(const std::string& text) override { calls.push_back("message " + text); }

  std::deque<ny::TPathBrowseResult> results;
  std::vector<ny::TPathBrowseRequest> requests;
  std::vector<std::string> calls;
  std::optional<std::string> answer;
  std::optional<std::string> select;
};

using R = ny::TPathBrowseResult;

TEST(PathDlg, DirectoryDropsItsTrailingSlashAndDefaults) {
  FakeChooser view;
  ny::TPathDlg dlg(view);
  EXPECT_EQ(dlg.RootItem(), ny::TRootItem::riNone);
  EXPECT_EQ(dlg.Flags(), ny::pdfReturnOnlyFSDirs);
  EXPECT_FALSE(dlg.EnableNew());
  EXPECT_FALSE(dlg.EnableDel());
  dlg.SetDirectory("/home/user/books/");
  EXPECT_EQ(dlg.Directory(), "/home/user/books");
  dlg.SetDirectory("/");
  EXPECT_EQ(dlg.Directory(), "/");
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  dlg.SetDirectory("");
  EXPECT_EQ(dlg.Directory(), cwd);
  EXPECT_TRUE(view.calls.empty());  // nothing is open to select in
  EXPECT_EQ(ny::RootItemDir(ny::TRootItem::riNone), "/");
  EXPECT_EQ(ny::RootItemDir(ny::TRootItem::riPrinters), "");
}

TEST(PathDlg, ChosenCancelledAndAnUnknownRoot) {
  FakeChooser view;
  ny::TPathDlg dlg(view);
  dlg.SetTitle("Library folder");
  dlg.SetDirectory("/srv/books/");
  std::string shown, selected;
  dlg.OnShow = [&](ny::TPathDlg& d) { shown = d.Title(); };
  dlg.OnSelect = [&](ny::TPathDlg&, const std::string& p) { selected = p; };
  view.results = {R{R::Cancelled, ""}, R{R::Chosen, "/srv/books"}};
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.Directory(), "/srv/books");
  EXPECT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Directory(), "/srv/books/");
  EXPECT_EQ(shown, "Library folder");
  EXPECT_EQ(selected, "/srv/books");
  ASSERT_EQ(view.requests.size(), 2u);
  EXPECT_EQ(view.requests[0].Root, "/");
  EXPECT_EQ(view.requests[0].Selection, "/srv/books");
  EXPECT_FALSE(dlg.IsOpen());
  // An error of a handler is shown; the chooser goes on.
  dlg.OnShow = [](ny::TPathDlg&) { throw std::runtime_error("Cannot show"); };
  view.select = "/srv/other/";  // set while open: selected in the chooser
  view.results = {R{R::Chosen, "/srv/other"}};
  EXPECT_TRUE(dlg.Execute());
  EXPECT_EQ(view.calls, (std::vector<std::string>{"message Cannot show", "select /srv/other"}));
  // A root Linux has no folder for: nothing is shown.
  dlg.SetRootItem(ny::TRootItem::riNetwork);
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(view.requests.size(), 3u);
}

TEST(PathDlg, CreateAndDeleteReopenTheChooser) {
  nytest::TestDir d;
  FakeChooser view;
  ny::TPathDlg dlg(view);
  dlg.SetEnableNew(true);
  dlg.SetEnableDel(true);
  dlg.SetDirectory(d.Path());
  view.answer = "new/deeper";
  view.results = {R{R::CreateClicked, ""}, R{R::DeleteClicked, ""}, R{R::Cancelled, ""}};
  ny::ForceDirs(d / "full/x");
  view.select = std::nullopt;
  EXPECT_FALSE(dlg.Execute());
  ASSERT_EQ(view.requests.size(), 3u);
  EXPECT_TRUE(view.requests[0].EnableNew && view.requests[0].EnableDel);
  EXPECT_EQ(view.requests[1].Selection, d / "new/deeper");  // reopened on the new directory
  EXPECT_EQ(view.calls[0], "Create new SubDirectory|For Directory: " + ny::DelBackslash(d.Path()));
  EXPECT_EQ(view.calls[1], "ask Delete Empty directory\r" + d / "new/deeper");
  EXPECT_FALSE(ny::DirExists(d / "new/deeper"));
  EXPECT_TRUE(ny::DirExists(d / "new"));
  // A directory that is not empty stays, with the message.
  dlg.SetDirectory(d / "full");
  view.results = {R{R::DeleteClicked, ""}, R{R::Cancelled, ""}};
  view.calls.clear();
  EXPECT_FALSE(dlg.Execute());
  EXPECT_TRUE(ny::DirExists(d / "full/x"));
  EXPECT_EQ(view.calls.back(), "message " + d / "full" + " Содержит файла или каталоги");
}

}  // namespace
