#include "app/qt/MainWindow.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QScreen>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <optional>
#include <stdexcept>

#include "app/Form1Model.h"
#include "app/qt/AppIcons.h"
#include "app/qt/VellumApplication.h"
#include "util/qt/NyAboutBox.h"
#include "util/qt/NyElided.h"
#include "common/ProgramDirTest.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"

namespace {

class MainWindowTest : public nytest::ProgramDirTest {
 protected:
  // A shown, active window.
  std::unique_ptr<ny::MainWindow> Open() {
    auto w = std::make_unique<ny::MainWindow>(env_);
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    return w;
  }
  template <class W>
  static W* Get(ny::MainWindow& w, const char* name) {
    W* c = qobject_cast<W*>(w.Control(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }

};

TEST_F(MainWindowTest, OpensOnTheListWithItsControls) {
  auto w = Open();
  EXPECT_EQ(w->windowTitle(), "Vellum 00.20");
  EXPECT_EQ(w->ShownPage(), "LST");
  EXPECT_EQ(w->size(), QSize(800, 580));
  EXPECT_EQ(QApplication::focusWidget(), w->Control("DBGrid"));
  for (const char* name : ny::kToolButtons) {
    auto* b = Get<QToolButton>(*w, name);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->autoRaise()) << name;
    EXPECT_EQ(b->size(), QSize(26, 26)) << name;
    EXPECT_FALSE(b->icon().isNull()) << name;
  }
  EXPECT_EQ(Get<QToolButton>(*w, "bLibOpen")->toolTip(), "Open library");
  EXPECT_EQ(Get<QToolButton>(*w, "bArcAppend")->toolTip(), "Append archived document");
  EXPECT_EQ(Get<QLabel>(*w, "lRec")->text(), ". . . . . . .");
  EXPECT_EQ(Get<QPushButton>(*w, "bFont")->text(), "Courier New - 10 - 1");
  EXPECT_TRUE(Get<QCheckBox>(*w, "chFindAut")->isChecked());
  EXPECT_FALSE(Get<QCheckBox>(*w, "chFindSub")->isChecked());
  EXPECT_EQ(Get<QCheckBox>(*w, "chShowFileNam")->text(), "Show field \"File name\" document");
  auto* grid = Get<QTableView>(*w, "DBGrid");
  ASSERT_EQ(grid->model()->columnCount(), 6);
  EXPECT_EQ(grid->model()->rowCount(), 0);
  EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), "Document name ");
  EXPECT_EQ(grid->model()->headerData(5, Qt::Horizontal).toString(), "Archive Name");
  EXPECT_EQ(grid->horizontalHeader()->sectionSize(2), 100);
  EXPECT_EQ(w->Control("DBMemo1")->height(), 89);
  auto* arc = Get<QTableView>(*w, "G_LstArc");
  EXPECT_EQ(arc->horizontalHeader()->sectionSize(3), 360);
  EXPECT_EQ(Get<QComboBox>(*w, "cbLang")->currentText(), "Default");
}

TEST_F(MainWindowTest, CtrlF3ShowsTheOptionsAndEscReturns) {
  auto w = Open();
  // F3 alone and Esc on the list page do nothing.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_EQ(w->ShownPage(), "LST");

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ControlModifier);
  EXPECT_EQ(w->ShownPage(), "OPT");
  EXPECT_EQ(QApplication::focusWidget(), w->Control("G_LstArc"));

  // Esc reaches the window first, also from a check box that has the focus.
  w->Control("chAutoFind")->setFocus();
  QTest::keyClick(w->Control("chAutoFind"), Qt::Key_Escape);
  EXPECT_EQ(w->ShownPage(), "LST");
  EXPECT_EQ(QApplication::focusWidget(), w->Control("DBGrid"));

  // The Options button does what Ctrl+F3 does.
  QTest::mouseClick(w->Control("bOption"), Qt::LeftButton);
  EXPECT_EQ(w->ShownPage(), "OPT");
}

TEST_F(MainWindowTest, AltOneGoesToTheSearchBoxAndTypingReachesTheModel) {
  auto w = Open();
  QTest::keyClick(w.get(), Qt::Key_1, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), w->Control("eLike"));
  QTest::keyClicks(w->Control("eLike"), "tolstoy");
  EXPECT_EQ(w->Form().Model().Get("eLike").Str("Text"), "tolstoy");
}

TEST_F(MainWindowTest, ClickingABoxStoresItAndTheLanguageChoiceTranslatesTheButtons) {
  InstallRussian();
  auto w = Open();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ControlModifier);
  QWidget* sub = w->Control("chFindSub");
  QTest::mouseClick(sub, Qt::LeftButton, {}, QPoint(6, sub->height() / 2));  // on the box
  EXPECT_TRUE(Get<QCheckBox>(*w, "chFindSub")->isChecked());
  EXPECT_TRUE(w->Form().Checked("chFindSub"));
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "chFindSub"), "1");

  auto* combo = Get<QComboBox>(*w, "cbLang");
  ASSERT_EQ(combo->count(), 2);
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);  // the user picks "RUS-Lang"
  EXPECT_EQ(combo->currentText(), "RUS-Lang");
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "Language"), "RUS-Lang");
  EXPECT_EQ(Get<QToolButton>(*w, "bLibOpen")->toolTip(), "Открыть библиотеку");
  EXPECT_EQ(Get<QCheckBox>(*w, "chFindAut")->text(), "Автор");
  auto* grid = Get<QTableView>(*w, "DBGrid");
  EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Автор");
  EXPECT_EQ(w->windowTitle(), "Vellum 00.20");
}

// The real font dialog: a writing system picked in it becomes the character-set number,
// "Any" keeps the number there was.
TEST_F(MainWindowTest, FontDialogChoiceReachesTheButtonAndTheSettings) {
  auto w = Open();
  const QString family = QFontDatabase::families().value(0);
  ASSERT_FALSE(family.isEmpty());
  auto pick = [&](const QString& writingSystem) {
    QTimer::singleShot(0, [=] {
      auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      if (!writingSystem.isEmpty()) {
        auto* ws = dialog->findChild<QComboBox*>();
        ASSERT_NE(ws, nullptr);
        ws->setCurrentIndex(ws->findText(writingSystem));
      }
      QFont f(family);
      f.setPointSize(12);
      dialog->setCurrentFont(f);
      dialog->accept();
    });
    QTest::mouseClick(w->Control("bFont"), Qt::LeftButton);
  };
  pick(QFontDatabase::writingSystemName(QFontDatabase::Cyrillic));
  const std::string name = w->Form().ViewerFont().Name;
  EXPECT_EQ(w->Form().ViewerFont().Size, 12);
  EXPECT_EQ(w->Form().ViewerFont().Charset, 204);
  EXPECT_EQ(Get<QPushButton>(*w, "bFont")->text().toStdString(), name + " - 12 - 204");
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "FontCSet"), "204");
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "FontName"), name);
  EXPECT_EQ(w->Control("RichEdit")->font().pointSize(), 12);
  pick("");
  EXPECT_EQ(w->Form().ViewerFont().Charset, 204);
}

// A stored face this computer lacks: the dialog starts from the face the viewer shows, and
// confirming it unchanged keeps the stored name.
TEST_F(MainWindowTest, FontDialogStartsFromTheFaceInUseAndKeepsAnUnchangedFace) {
  nytest::WriteFile(env_.SettingsFile, "[main]\nFontName=No Such Face 42\nFontSize=11\n");
  auto w = Open();
  const QString inUse = QFontInfo(QFont("No Such Face 42")).family();
  QString started;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    started = dialog->currentFont().family();
    dialog->accept();
  });
  QTest::mouseClick(w->Control("bFont"), Qt::LeftButton);
  EXPECT_EQ(started, inUse);
  EXPECT_EQ(w->Form().ViewerFont().Name, "No Such Face 42");
  EXPECT_EQ(w->Form().ViewerFont().Size, 11);
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "FontName"), "No Such Face 42");
}

// Long captions (a long face name, long translated texts) are cut on screen, not widening the
// window past the screen.
TEST_F(MainWindowTest, LongCaptionsAreElidedAndTheWindowStaysOnTheScreen) {
  const std::string face(400, 'F');
  nytest::WriteFile(env_.SettingsFile, "[main]\nFontName=" + face + "\nLanguage=XYZ-Lang\n");
  const std::string longText(600, 'w');
  nytest::WriteFile(dir_ / "vellum-XYZ.lng", "[Form1]\nTLabel-Label5-Caption=" + longText +
                                                 "\nTCheckBox-chDelSource-Caption=" + longText +
                                                 "\nTLabel-Label4-Caption=&1 " + longText +
                                                 "\nTGroupBox-GroupBox1-Caption=" + longText + "\n");
  auto w = Open();
  const QSize screen = w->screen()->availableGeometry().size();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ControlModifier);
  EXPECT_LE(w->width(), screen.width());
  EXPECT_LE(w->minimumSizeHint().width(), screen.width());
  auto* font = Get<ny::TNyElidedButton>(*w, "bFont");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->text().toStdString(), face + " - 10 - 1");  // the whole text is kept
  EXPECT_TRUE(font->shownText().endsWith(QChar(0x2026)));
  EXPECT_LT(font->shownText().size(), font->text().size());
  auto* box = Get<ny::TNyElidedCheckBox>(*w, "chDelSource");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->shownText().endsWith(QChar(0x2026)));
  EXPECT_GT(box->shownText().size(), 3);
  auto* label = Get<ny::TNyElidedLabel>(*w, "Label5");
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->shownText().endsWith(QChar(0x2026)));
  auto* group = Get<ny::TNyElidedGroupBox>(*w, "GroupBox1");
  ASSERT_NE(group, nullptr);
  EXPECT_TRUE(group->shownTitle().endsWith(QChar(0x2026)));
  // A short caption is shown whole.
  EXPECT_EQ(Get<ny::TNyElidedLabel>(*w, "Label7")->shownText(), "Language");
}

// Each button has a picture of its own: the theme's under its freedesktop name, or the
// program's own where no theme has one, never one of the toolkit's unrelated pictures.
TEST_F(MainWindowTest, ToolBarPicturesAndTheWindowIcon) {
  const QStringList paths = QIcon::themeSearchPaths();
  const QString theme = QIcon::themeName();
  QIcon::setThemeSearchPaths({});
  QIcon::setThemeName("no-theme");
  auto image = [](const QIcon& i) { return i.pixmap(24, 24).toImage(); };
  {
    auto w = Open();
    std::vector<QImage> seen;
    for (const char* name : ny::kToolButtons) {
      const QImage own = image(ny::ToolFallbackIcon(name));
      ASSERT_FALSE(own.isNull()) << name;
      EXPECT_EQ(image(Get<QToolButton>(*w, name)->icon()), own) << name;
      for (const QImage& other : seen) EXPECT_NE(own, other) << name;
      seen.push_back(own);
    }
    EXPECT_FALSE(w->windowIcon().isNull());
    EXPECT_EQ(image(w->windowIcon()), image(ny::AppIcon()));
    EXPECT_EQ(ny::AppIcon().availableSizes().size(), 8);
  }
  // The names exist in a common theme (Adwaita, a test dependency).
  QIcon::setThemeSearchPaths({"/usr/share/icons"});
  QIcon::setThemeName("Adwaita");
  if (ny::DirExists("/usr/share/icons/Adwaita")) {
    for (const char* name : ny::kToolButtons) {
      EXPECT_TRUE(QIcon::hasThemeIcon(ny::ToolIconName(name))) << name;
    }
  }
  QIcon::setThemeSearchPaths(paths);
  QIcon::setThemeName(theme);
}

// With Russian chosen, the toolkit's own texts are Russian too; back to the built-in language
// they are English again.
TEST_F(MainWindowTest, TheToolkitsDialogsFollowTheLanguage) {
  InstallRussian();
  auto w = Open();
  QString yes;
  auto ask = [&] {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      yes = box->button(QMessageBox::Yes)->text();
      box->button(QMessageBox::No)->click();
    });
    w->AskYesNo("?");
  };
  auto* combo = Get<QComboBox>(*w, "cbLang");
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  ASSERT_EQ(w->Form().LangCode(), "RUS");
  ask();
  EXPECT_EQ(yes, "&Да");
  EXPECT_EQ(QCoreApplication::translate("QFontDialog", "Select Font"), "Выбор шрифта");
  QTest::keyClick(combo, Qt::Key_Up);
  ask();
  EXPECT_EQ(yes, "&Yes");
}

TEST_F(MainWindowTest, AboutButtonShowsTheFilledAboutBox) {
  auto w = Open();
  QString title, product, cpu, display, comment;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<ny::TNyAboutBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    product = box->Label("ProductName")->text() + " " + box->Label("Version")->text();
    cpu = box->Label("CPUName")->text();
    display = box->Label("Display")->text();
    comment = box->findChild<QPlainTextEdit*>("LComment")->toPlainText();
    QTest::keyClick(box, Qt::Key_Space);
  });
  QTest::mouseClick(w->Control("bAbout"), Qt::LeftButton);
  EXPECT_EQ(title, "Information");
  EXPECT_EQ(product, "Vellum 00.20");
  EXPECT_TRUE(cpu.endsWith(" Mhz")) << cpu.toStdString();
  EXPECT_TRUE(display.contains(" colors  ")) << display.toStdString();
  EXPECT_EQ(comment, "\n");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, SavedRussianComesUpTranslated) {
  InstallRussian();
  nytest::WriteFile(env_.SettingsFile, "[main]\nLanguage=RUS-Lang\n");
  auto w = Open();
  EXPECT_EQ(Get<QToolButton>(*w, "bExit")->toolTip(), "Выход");
  EXPECT_EQ(Get<QLabel>(*w, "Label4")->text(), "&1 Поиск");
  EXPECT_EQ(Get<QComboBox>(*w, "cbLang")->currentText(), "RUS-Lang");
}

TEST_F(MainWindowTest, DraggedWidthsAreSavedWhenTheWindowCloses) {
  nytest::WriteFile(env_.SettingsFile, "[Size]\nLstDoc_NAME=250\n");
  auto w = Open();
  auto* header = Get<QTableView>(*w, "DBGrid")->horizontalHeader();
  EXPECT_EQ(header->sectionSize(2), 250);
  header->resizeSection(0, 170);  // as the user's drag does
  QTest::mouseClick(w->Control("bExit"), Qt::LeftButton);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "Size", "LstDoc_AUTHOR"), "170");
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "Size", "LstDoc_NAME"), "250");
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "Size", "LstDoc_ARCHNAME"), "100");
}

// The services the logic asks of its window: the busy cursor, message boxes, the file-open
// dialog with a filter written the way the library commands write it.
TEST_F(MainWindowTest, BusyCursorMessageBoxesAndTheFileOpenDialog) {
  auto w = Open();
  try {
    ny::TBusyCursor busy(*w);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    throw std::runtime_error("fails half-way");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Answers a modal box of the window once it is up: its text, and the button pressed.
  auto answer = [](QMessageBox::StandardButton button, QString* text) {
    QTimer::singleShot(0, [=] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      *text = box->text();
      box->button(button)->click();
    });
  };
  QString text;
  answer(QMessageBox::Ok, &text);
  w->ShowMessage("File Not Found\n/lib/a.zip");
  EXPECT_EQ(text, "File Not Found\n/lib/a.zip");
  answer(QMessageBox::Yes, &text);
  EXPECT_TRUE(w->AskYesNo("You are assured?"));
  answer(QMessageBox::No, &text);
  EXPECT_FALSE(w->AskYesNo("You are assured?"));
  EXPECT_EQ(text, "You are assured?");

  nytest::WriteFile(dir_ / "books.sqb", "");
  nytest::WriteFile(dir_ / "Readme", "");
  ny::TOpenDialogRequest request;
  request.Title = "Select library file for open";
  request.InitialDir = dir_.Path();
  request.Filter = "Library Files (*.SQB)|*.SQB|All Files (*.*)|*.*";
  request.DefaultExt = "sqb";
  QStringList filters;
  auto choose = [&](const QString& file) {
    QTimer::singleShot(0, [=, &filters] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "Select library file for open");
      filters = dialog->nameFilters();
      if (file.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->selectFile(file);
      static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    });
    return w->RunOpenDialog(request);
  };
  EXPECT_EQ(choose("books.sqb"), std::optional<std::string>(dir_ / "books.sqb"));
  // The patterns once, at the end; letter case ignored; "*.*" lists files without a dot too.
  EXPECT_EQ(filters, (QStringList{"Library Files (*.SQB *.sqb)", "All Files (*)"}));
  EXPECT_EQ(choose(""), std::nullopt);
  EXPECT_EQ(ny::NameFilters("Text|*.txt;*.htm|Nothing|"),
            (QStringList{"Text (*.txt *.TXT *.htm *.HTM)"}));
}

// An object whose event handler fails, as a handler of the window may.
class Failing : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Cannot update: test error");
    return QObject::event(e);
  }
};

TEST_F(MainWindowTest, AnErrorLeavingAHandlerIsReportedAndTheLoopGoesOn) {
  QStringList reported;
  ny::TVellumApplication::SetErrorReporter([&](const QString& m) { reported << m; });
  Failing f;
  QEvent e(QEvent::User);
  QCoreApplication::sendEvent(&f, &e);
  QCoreApplication::postEvent(&f, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  // A handler behind a real button click, connected as the window connects its handlers.
  QPushButton button("Go");
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, ny::Guarded<bool>([&](bool) {
    ++clicks;
    throw std::runtime_error("No Records");
  }));
  button.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  QTest::mouseClick(&button, Qt::LeftButton);
  ny::TVellumApplication::SetErrorReporter(nullptr);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(reported, (QStringList{"Cannot update: test error", "Cannot update: test error",
                                   "No Records", "No Records"}));
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ny::TVellumApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
