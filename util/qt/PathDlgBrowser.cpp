#include "util/qt/PathDlgBrowser.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace ny {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The texts of the program's messages use a carriage return between lines.
QString Lines(const std::string& s) {
  return Q(s).replace('\r', '\n');
}

}  // namespace

TPathBrowseResult TPathDlgBrowser::Browse(const TPathBrowseRequest& request, TPathDlg& dialog) {
  QWidget* owner = parent_ != nullptr ? parent_.data() : QApplication::activeWindow();
  QFileDialog chooser(owner, Q(request.Title));
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setFileMode(QFileDialog::Directory);
  chooser.setOption(QFileDialog::ShowDirsOnly, (request.Flags & pdfBrowseIncludeFiles) == 0);
  chooser.setSidebarUrls({QUrl::fromLocalFile(Q(request.Root))});
  if (!request.Title.empty()) chooser.setLabelText(QFileDialog::LookIn, Q(request.Title));
  chooser.setDirectory(Q(request.Selection));
  dialog_ = &chooser;

  TPathBrowseResult result;
  auto* status = new QLabel(Q(request.Selection));
  status->setObjectName("StatusText");
  status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QHBoxLayout;
  auto button = [&](const char* text, TPathBrowseResult::TKind kind) {
    auto* b = new QPushButton(QString::fromLatin1(text));
    b->setObjectName(QString::fromLatin1(text));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, &chooser, [&chooser, &result, kind] {
      result.Kind = kind;
      chooser.reject();
    });
    buttons->addWidget(b);
  };
  if (request.EnableNew) button("Create", TPathBrowseResult::CreateClicked);
  if (request.EnableDel) button("Delete", TPathBrowseResult::DeleteClicked);
  buttons->addStretch(1);
  if (auto* grid = qobject_cast<QGridLayout*>(chooser.layout())) {
    const int row = grid->rowCount();
    grid->addWidget(status, row, 0, 1, grid->columnCount());
    grid->addLayout(buttons, row + 1, 0, 1, grid->columnCount());
  }

  auto selected = [&dialog, status](const QString& path) {
    if (path.isEmpty()) return;
    status->setText(path);
    dialog.SelectionChanged(path.toStdString());
  };
  QObject::connect(&chooser, &QFileDialog::currentChanged, &chooser, selected);
  QObject::connect(&chooser, &QFileDialog::directoryEntered, &chooser, selected);
  QTimer::singleShot(0, &chooser, [&chooser, &dialog] {
    if (QScreen* s = chooser.screen()) {
      chooser.move(s->availableGeometry().center() - chooser.rect().center());
    }
    dialog.BrowserShown();
  });

  const bool accepted = chooser.exec() == QDialog::Accepted;
  dialog_ = nullptr;
  if (accepted && !chooser.selectedFiles().isEmpty()) {
    result.Kind = TPathBrowseResult::Chosen;
    result.Path = chooser.selectedFiles().first().toStdString();
  }
  return result;
}

void TPathDlgBrowser::Select(const std::string& path) {
  if (dialog_ != nullptr) dialog_->setDirectory(Q(path));
}

std::optional<std::string> TPathDlgBrowser::InputBox(const std::string& caption,
                                                     const std::string& prompt,
                                                     const std::string& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(QApplication::activeWindow(), Q(caption), Q(prompt),
                                             QLineEdit::Normal, Q(initial), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

bool TPathDlgBrowser::AskYesNo(const std::string& text) {
  return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(),
                               Lines(text), QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void TPathDlgBrowser::ShowMessage(const std::string& text) {
  QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                           Lines(text));
}

}  // namespace ny
