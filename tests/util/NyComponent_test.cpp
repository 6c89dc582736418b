#include "util/NyComponent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using ny::ENyComponent;
using ny::TNyColumn;
using ny::TNyComponent;
using ny::TPropKind;

namespace {

struct Change {
  std::string component, property;
  int index;
  bool operator==(const Change&) const = default;
};

}  // namespace

TEST(NyComponent, TreeKeepsCreationOrderAndFindsByName) {
  TNyComponent form("TForm1", "Form1");
  TNyComponent& panel = form.Add("TPanel", "Panel1");
  TNyComponent& b1 = panel.Add("TSpeedButton", "bLibOpen");
  TNyComponent& b2 = panel.Add("TSpeedButton", "bLibNew");
  form.Add("TLabel", "");
  form.Add("TLabel", "");  // unnamed components may repeat

  ASSERT_EQ(form.ComponentCount(), 3u);
  EXPECT_EQ(&form.Component(0), &panel);
  EXPECT_EQ(&panel.Component(0), &b1);
  EXPECT_EQ(&panel.Component(1), &b2);
  EXPECT_THROW(panel.Component(2), ENyComponent);
  EXPECT_EQ(b1.Owner(), &panel);
  EXPECT_EQ(&b2.Form(), &form);
  EXPECT_EQ(form.Owner(), nullptr);

  EXPECT_EQ(form.Find("bLibNew"), &b2);
  EXPECT_EQ(form.Find("Form1"), &form);
  EXPECT_EQ(form.Find(""), nullptr);
  EXPECT_EQ(form.Find("blibnew"), nullptr);  // names compare exactly
  EXPECT_EQ(&form.Get("bLibOpen"), &b1);
  EXPECT_THROW(form.Get("nothing"), ENyComponent);
  // A name is unique in the whole form, not only among siblings.
  EXPECT_THROW(form.Add("TButton", "bLibOpen"), ENyComponent);
  EXPECT_THROW(b2.Add("TButton", "Panel1"), ENyComponent);
}

TEST(NyComponent, PropertiesInDeclarationOrderWithKinds) {
  TNyComponent form("TForm1", "Form1");
  TNyComponent& menu = form.Add("TPopupMenu", "Popup");
  TNyComponent& grid = form.Add("TDBGrid", "DBGrid");
  grid.AddString("Hint", "Documents")
      .AddColumns("Columns",
                  {{"AUTHOR", "Author", 120, true, false}, {"SUBJ", "Subject", 100, true, true}})
      .AddRef("PopupMenu", &menu)
      .AddRef("DataSource", nullptr)
      .AddObject("Font")
      .AddValue("TabOrder", "3")
      .AddStrings("Lines", {"a", "b"});

  const auto& props = grid.Properties();
  std::vector<std::string> names;
  for (const auto& p : props) names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Hint", "Columns", "PopupMenu", "DataSource",
                                             "Font", "TabOrder", "Lines"}));
  EXPECT_EQ(props[0].Kind, TPropKind::String);
  EXPECT_EQ(props[0].Text, "DBGrid");
  EXPECT_EQ(props[2].Kind, TPropKind::Columns);
  EXPECT_EQ(props[5].Kind, TPropKind::Object);
  EXPECT_EQ(props[6].Kind, TPropKind::Value);

  EXPECT_EQ(grid.Str("Name"), "DBGrid");
  EXPECT_THROW(grid.SetStr("Name", "Other"), ENyComponent);
  EXPECT_EQ(grid.Ref("PopupMenu"), &menu);
  EXPECT_EQ(grid.Ref("DataSource"), nullptr);
  EXPECT_EQ(grid.Columns("Columns")[1].FieldName, "SUBJ");
  EXPECT_TRUE(grid.Columns("Columns")[1].ReadOnly);
  EXPECT_EQ(grid.Value("TabOrder"), "3");

  // Unknown names, wrong kinds and second declarations are errors, not silent defaults.
  EXPECT_EQ(grid.Property("hint"), nullptr);
  EXPECT_THROW(grid.Str("Caption"), ENyComponent);
  EXPECT_THROW(grid.Str("Columns"), ENyComponent);
  EXPECT_THROW(grid.Items("Hint"), ENyComponent);
  EXPECT_THROW(grid.AddString("Hint"), ENyComponent);
  EXPECT_THROW(grid.SetItem("Lines", 2, "c"), ENyComponent);
  EXPECT_THROW(grid.SetColumnTitle("Columns", 2, "x"), ENyComponent);
  EXPECT_EQ(grid.Items("Lines"), (std::vector<std::string>{"a", "b"}));
}

TEST(NyComponent, ChangesReachTheComponentAndEveryOwner) {
  TNyComponent form("TForm1", "Form1");
  TNyComponent& page = form.Add("TPanel", "Page");
  TNyComponent& combo = page.Add("TComboBox", "cbLang");
  combo.AddString("Hint").AddStrings("Items", {"Default", "RUS-Lang"});
  TNyComponent& grid = page.Add("TDBGrid", "DBGrid");
  grid.AddColumns("Columns", {TNyColumn{"AUTHOR", "Author"}}).AddValue("Color", "clWindow");

  std::vector<Change> atForm, atCombo;
  form.OnChange = [&](TNyComponent& c, const std::string& p, int i) {
    atForm.push_back({c.Name(), p, i});
  };
  combo.OnChange = [&](TNyComponent& c, const std::string& p, int i) {
    atCombo.push_back({c.Name(), p, i});
  };

  combo.SetStr("Hint", "Language");
  combo.SetItem("Items", 1, "ENG-Lang");
  combo.SetItem("Items", 1, "ENG-Lang");  // no change, no event
  combo.SetItems("Items", {"Default"});
  grid.SetColumnTitle("Columns", 0, "Автор");
  grid.SetColumnWidth("Columns", 0, 250);
  grid.SetColumnVisible("Columns", 0, false);
  grid.SetValue("Color", "clInfoBk");

  EXPECT_EQ(atCombo, (std::vector<Change>{
                         {"cbLang", "Hint", -1}, {"cbLang", "Items", 1}, {"cbLang", "Items", -1}}));
  EXPECT_EQ(atForm, (std::vector<Change>{{"cbLang", "Hint", -1},
                                         {"cbLang", "Items", 1},
                                         {"cbLang", "Items", -1},
                                         {"DBGrid", "Columns", 0},
                                         {"DBGrid", "Columns", 0},
                                         {"DBGrid", "Columns", 0},
                                         {"DBGrid", "Color", -1}}));
  EXPECT_EQ(grid.Columns("Columns")[0].Title, "Автор");
  EXPECT_EQ(grid.Columns("Columns")[0].Width, 250);
  EXPECT_FALSE(grid.Columns("Columns")[0].Visible);
  EXPECT_EQ(combo.Items("Items"), std::vector<std::string>{"Default"});
}
