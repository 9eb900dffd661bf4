#include "ui/qt/QtDialogs.h"

#include <QAction>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <iostream>

#include "ui/Controls.h"
#include "ui/frmAbout.h"

namespace hoverdeck {
namespace {

// Runs a handler of the about box; nothing may leave a Qt slot.
template <typename Fn>
void Guarded(Fn&& fn) {
  try {
    fn();
  } catch (const std::exception& error) {
    std::cerr << "hoverdeck: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "hoverdeck: unknown error\n";
  }
}

// Sends a left click on a label to a handler.
class ClickFilter final : public QObject {
 public:
  ClickFilter(QObject* parent, std::function<void()> on_click)
      : QObject(parent), on_click_(std::move(on_click)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      Guarded(on_click_);
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> on_click_;
};

}  // namespace

QString ToQt(std::string_view text) {
  QString converted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return converted;
}

std::unique_ptr<QMenu> BuildPopupMenu(const Menu& menu, QWidget* parent) {
  auto popup = std::make_unique<QMenu>(ToQt(menu.Caption()), parent);
  for (const MenuItem* item : menu.Items()) {
    if (item->IsSeparator()) {
      popup->addSeparator();
      continue;
    }
    QAction* action = popup->addAction(ToQt(item->Caption()));
    action->setData(QString::fromStdString(item->Name()));
    action->setCheckable(item->Checked());
    action->setChecked(item->Checked());
  }
  return popup;
}

MessageAnswer QtDialogs::MessageBox(const std::string& text, std::string_view title,
                                    MessageIcon icon, MessageButtons buttons) {
  QMessageBox box(parent_);
  box.setWindowTitle(ToQt(title));
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQt(text));
  switch (icon) {
    case MessageIcon::kInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageIcon::kExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageIcon::kQuestion:
      box.setIcon(QMessageBox::Question);
      break;
  }
  if (buttons == MessageButtons::kYesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageAnswer::kYes : MessageAnswer::kNo;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return MessageAnswer::kOk;
}

std::string QtDialogs::InputBox(const std::string& prompt, std::string_view title,
                                const std::string& default_text) {
  QInputDialog box(parent_);
  box.setInputMode(QInputDialog::TextInput);
  box.setWindowTitle(ToQt(title));
  box.setLabelText(ToQt(prompt));
  // The prompt holds other programs' captions: shown as they are, never as markup, and an "&"
  // in them is no access key (the dialog makes its label the field's buddy as it lays out).
  box.minimumSizeHint();
  for (QLabel* label : box.findChildren<QLabel*>()) {
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(nullptr);
  }
  box.setTextValue(QString::fromStdString(default_text));
  if (box.exec() != QDialog::Accepted) return {};
  return box.textValue().toStdString();
}

std::optional<std::string> QtDialogs::PopupMenu(const Menu& menu) {
  const auto popup = BuildPopupMenu(menu, parent_);
  const QAction* chosen = popup->exec(QCursor::pos());
  if (!chosen) return std::nullopt;
  return chosen->data().toString().toStdString();
}

std::unique_ptr<QDialog> BuildAboutDialog(frmAbout& about, QWidget* parent) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setWindowTitle(ToQt(about.Caption()));
  dialog->setModal(true);
  auto* layout = new QVBoxLayout(dialog.get());
  const Label* const texts[] = {&about.lblCredit, &about.Label1, &about.Label2, &about.Label6,
                                &about.Label4,    &about.Label5, &about.Label3, &about.Label7};
  for (const Label* text : texts) {
    auto* label = new QLabel(ToQt(text->Shown()), dialog.get());
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
  }
  auto* link = new QLabel(ToQt(about.lblLink.Shown()), dialog.get());
  link->setObjectName(QStringLiteral("lblLink"));
  link->setTextFormat(Qt::PlainText);
  QPalette palette = link->palette();
  palette.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0xFF));
  link->setPalette(palette);
  link->setCursor(Qt::PointingHandCursor);
  link->installEventFilter(new ClickFilter(link, [&about] { about.lblLink_Click(); }));
  layout->addWidget(link);

  auto* ok = new QPushButton(ToQt(about.cmdOK.Caption()), dialog.get());
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  QDialog* raw = dialog.get();
  QObject::connect(ok, &QPushButton::clicked, raw, [&about, raw] {
    Guarded([&about] { about.cmdOK_Click(); });
    raw->accept();
  });
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  return dialog;
}

void QtDialogs::ShowHotkey(frmHotkey& box) {
  const auto dialog = BuildHotkeyDialog(box, parent_);
  dialog->exec();
}

void QtDialogs::ShowAbout(frmAbout& about) {
  const auto dialog = BuildAboutDialog(about, parent_);
  dialog->exec();
}

}  // namespace hoverdeck
