// The hotkey box of the Linux edition: a field that takes the combination pressed in it.
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <iostream>

#include "ui/frmHotkey.h"
#include "ui/qt/QtDialogs.h"

namespace hoverdeck {
namespace {

// The core's key name for a Qt key; "" for a key no adapter maps, nullopt for a modifier alone.
std::optional<std::string> KeyName(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::string(1, static_cast<char>(key));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return std::string(1, static_cast<char>(key));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return "F" + std::to_string(key - Qt::Key_F1 + 1);
  switch (key) {
    case Qt::Key_Space:
      return "Space";
    case Qt::Key_Insert:
      return "Insert";
    case Qt::Key_Delete:
      return "Delete";
    case Qt::Key_Home:
      return "Home";
    case Qt::Key_End:
      return "End";
    case Qt::Key_PageUp:
      return "PageUp";
    case Qt::Key_PageDown:
      return "PageDown";
    case Qt::Key_Left:
      return "Left";
    case Qt::Key_Up:
      return "Up";
    case Qt::Key_Right:
      return "Right";
    case Qt::Key_Down:
      return "Down";
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
      return std::nullopt;
    default:
      return std::string();
  }
}

// Sends the combinations pressed in the field to the form, and redraws the box.
class KeyField final : public QLineEdit {
 public:
  KeyField(frmHotkey& box, QWidget* parent) : QLineEdit(parent), box_(box) {
    setReadOnly(true);
    setObjectName(QStringLiteral("txtHotkey"));
  }
  void SetRedraw(std::function<void()> redraw) { redraw_ = std::move(redraw); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    // Return and Escape alone answer the dialog (OK, Cancel).
    const bool alone = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (alone && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                  event->key() == Qt::Key_Escape)) {
      return QLineEdit::keyPressEvent(event);
    }
    const auto name = KeyName(event->key());
    if (!name) return;
    const Qt::KeyboardModifiers held = event->modifiers();
    Hotkey pressed{0, *name};
    if (held & Qt::ControlModifier) pressed.modifiers |= Hotkey::kCtrl;
    if (held & Qt::AltModifier) pressed.modifiers |= Hotkey::kAlt;
    if (held & Qt::ShiftModifier) pressed.modifiers |= Hotkey::kShift;
    if (held & Qt::MetaModifier) pressed.modifiers |= Hotkey::kLogo;
    box_.txtHotkey_KeyDown(pressed);
    redraw_();
  }
  // Tab and the dialog's own keys are combinations to take here, not moves between controls.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  frmHotkey& box_;
  std::function<void()> redraw_;
};

}  // namespace

std::unique_ptr<QDialog> BuildHotkeyDialog(frmHotkey& box, QWidget* parent) {
  auto dialog = std::make_unique<QDialog>(parent);
  QDialog* raw = dialog.get();
  raw->setWindowTitle(ToQt(box.Caption()));
  raw->setModal(true);
  auto* layout = new QVBoxLayout(raw);
  auto* prompt = new QLabel(ToQt(box.lblPrompt.Caption()), raw);
  prompt->setWordWrap(true);
  layout->addWidget(prompt);
  auto* status = new QLabel(raw);
  status->setObjectName(QStringLiteral("lblStatus"));
  status->setTextFormat(Qt::PlainText);
  status->setWordWrap(true);
  auto* field = new KeyField(box, raw);
  const auto redraw = [&box, raw, status, field] {
    field->setText(ToQt(box.txtHotkey.Caption()));
    status->setText(ToQt(box.lblStatus.Caption()));
    if (!box.Loaded()) raw->accept();
  };
  field->SetRedraw(redraw);
  layout->addWidget(field);
  layout->addWidget(status);
  auto* buttons = new QDialogButtonBox(raw);
  // Handlers of the form, then a redraw; nothing may leave a Qt slot.
  const auto wire = [&box, buttons, redraw](const Label& caption, const char* name,
                                            void (frmHotkey::*handler)()) {
    auto* button = buttons->addButton(ToQt(caption.Caption()), QDialogButtonBox::ActionRole);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    button->setDefault(handler == &frmHotkey::cmdOK_Click);
    QObject::connect(button, &QPushButton::clicked, button, [&box, handler, redraw] {
      try {
        (box.*handler)();
      } catch (const std::exception& error) {
        std::cerr << "hoverdeck: " << error.what() << '\n';
      }
      redraw();
    });
  };
  wire(box.cmdClear, "cmdClear", &frmHotkey::cmdClear_Click);
  wire(box.cmdOK, "cmdOK", &frmHotkey::cmdOK_Click);
  wire(box.cmdCancel, "cmdCancel", &frmHotkey::cmdCancel_Click);
  layout->addWidget(buttons);
  QObject::connect(raw, &QDialog::rejected, raw, [&box] {
    if (box.Loaded()) box.cmdCancel_Click();
  });
  redraw();
  field->setFocus();
  return dialog;
}

}  // namespace hoverdeck
