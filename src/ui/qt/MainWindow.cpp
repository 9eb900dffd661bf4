// The Qt main window: its creation, and its widgets and menus built from the form's layout and
// bound to the form's state and handlers. Drawing that state, and the window's own events, are
// in MainWindowSync.cpp.
#include "ui/qt/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <exception>
#include <iostream>

#include "ui/ControlBindings.h"
#include "ui/FlagScope.h"
#include "ui/FormLayout.h"
#include "ui/qt/EndSignals.h"
#include "ui/qt/QtDialogs.h"

namespace hoverdeck {
namespace {

constexpr int kLogicalDotsPerInch = 96;
constexpr qreal kFormPointSize = 8.0;
// Arial's metrics run a few per cent wider than those the layout was made for; drawn 93 % wide
// (FreeType scales the outlines), the longest captions fit their controls.
constexpr int kFormStretch = 93;
// Long enough for a window manager under load to iconify a window it was asked to.
constexpr int kMinimizeSettleMs = 1500;

QColor Rgb(std::uint32_t rgb) {
  return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>(rgb & 0xFF));
}

int CoreButtons(Qt::MouseButtons buttons) {
  int core = 0;
  if (buttons & Qt::LeftButton) core |= kLeftButton;
  if (buttons & Qt::RightButton) core |= kRightButton;
  if (buttons & Qt::MiddleButton) core |= kMiddleButton;
  return core;
}

bool IsMouseButtonEvent(QEvent::Type type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick;
}

// QCheckBox draws its caption on one line; the layout's check boxes are two lines tall. The box
// keeps no text of its own and a word-wrapped label beside its indicator shows the caption. The
// label lets the mouse through, so a press on the caption is a press on the box.
QLabel* AddCheckBoxCaption(QCheckBox* check_box) {
  QStyleOptionButton option;
  option.initFrom(check_box);
  const QStyle* style = check_box->style();
  const QRect indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &option, check_box);
  const int left = indicator.right() + 1 +
                   style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, check_box);
  auto* caption = new QLabel(check_box);
  caption->setObjectName(check_box->objectName() + QStringLiteral("Caption"));
  caption->setTextFormat(Qt::PlainText);
  caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  caption->setGeometry(left, 0, std::max(0, check_box->width() - left), check_box->height());
  caption->setWordWrap(TextLines(caption->font(), caption->height()) > 1);
  caption->setAttribute(Qt::WA_TransparentForMouseEvents);
  return caption;
}

}  // namespace

int LogicalPixels(int twips) { return TwipsToPixels(twips, kLogicalDotsPerInch); }

QFont FormFont(const QFont& desktop_font) {
  QFont font = desktop_font;
  const QString compact = QStringLiteral("Liberation Sans");
  if (QFontDatabase::hasFamily(compact)) font.setFamilies({compact});
  font.setPointSizeF(kFormPointSize);
  font.setStretch(kFormStretch);
  return font;
}

int TextLines(const QFont& font, int height) {
  return std::max(1, height / QFontMetrics(font).lineSpacing());
}

MainWindow::MainWindow(frmTop& form, Dialogs& dialogs, bool tray_available)
    : form_(form), dialogs_(dialogs), fallback_(tray_available), on_end_(&EndEventLoop) {
  setWindowIcon(windowIcon());
  central_ = new QWidget(this);
  central_->setObjectName(QStringLiteral("frmTop"));
  central_->setFixedSize(LogicalPixels(kClientWidthTwips), LogicalPixels(kClientHeightTwips));
  central_->setFont(FormFont(central_->font()));
  setCentralWidget(central_);
  BuildControls();
  BuildMenus();
  SetTabOrder();
  connect(&timer_, &QTimer::timeout, this,
          [this] { Dispatch([this] { form_.Timer1_Timer(); }, FormEvent::kTick); });
  minimize_settle_.setSingleShot(true);
  minimize_settle_.setInterval(kMinimizeSettleMs);
  connect(&minimize_settle_, &QTimer::timeout, this, [this] {
    minimize_pending_ = false;
    // Whatever the window manager made of the request is now the window's state.
    if (isVisible()) FollowNativeState();
  });
  if (QWidget* first = Control("lstFenetresNonTopMost")) first->setFocus();
  Sync();
}

MainWindow::~MainWindow() {
  // The filters refer to this window's members; children die after this body.
  for (const auto& entry : filters_) entry.first->removeEventFilter(this);
  filters_.clear();
}

QWidget* MainWindow::Control(std::string_view name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

QListWidget* MainWindow::List(std::string_view name) const {
  return qobject_cast<QListWidget*>(Control(name));
}

QMenu* MainWindow::BarMenu(std::string_view name) const {
  const auto found = bar_menus_.find(name);
  return found == bar_menus_.end() ? nullptr : found->second;
}

void MainWindow::Filter(QObject* watched, std::function<bool(QEvent*)> filter) {
  filters_[watched] = std::move(filter);
  watched->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const auto found = filters_.find(watched);
  if (found != filters_.end()) {
    try {
      if (found->second(event)) return true;
    } catch (const std::exception& error) {
      std::cerr << "hoverdeck: " << error.what() << '\n';
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::Dispatch(const std::function<void()>& handler, FormEvent event) {
  if (!gate_.Admits(event)) return;
  {
    const FlagScope busy = gate_.Enter();
    try {
      handler();
      if (event == FormEvent::kUser) form_.AfterUserEvent();
    } catch (const std::exception& error) {
      std::cerr << "hoverdeck: " << error.what() << '\n';
    } catch (...) {
      std::cerr << "hoverdeck: unknown error\n";
    }
  }
  try {
    Sync();
    if (form_.EndRequested() && on_end_) on_end_();
  } catch (const std::exception& error) {
    std::cerr << "hoverdeck: " << error.what() << '\n';
  }
}

// ---- Building ----

namespace {

// The widget of a layout entry, without its place and looks; nullptr for the entries drawn by no
// widget of their own.
QWidget* MakeWidget(const ControlLayout& layout, bool captioned, QWidget* parent) {
  switch (layout.type) {
    case ControlType::kLabel: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignTop | (layout.right_aligned ? Qt::AlignRight : Qt::AlignLeft));
      return label;
    }
    case ControlType::kListBox:
    case ControlType::kCheckListBox: {
      auto* list = new QListWidget(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setContextMenuPolicy(Qt::PreventContextMenu);
      list->viewport()->setMouseTracking(true);
      return list;
    }
    case ControlType::kFrame: {
      if (captioned) return new QGroupBox(parent);
      auto* frame = new QFrame(parent);
      frame->setFrameShape(QFrame::NoFrame);
      return frame;
    }
    case ControlType::kButton:
      return new QPushButton(parent);
    case ControlType::kCheckBox:
      return new QCheckBox(parent);
    case ControlType::kPicture:
      break;
  }
  return nullptr;
}

// Gives the widget the layout's place, font and colours.
void StyleWidget(QWidget* widget, const ControlLayout& layout) {
  widget->setGeometry(LogicalPixels(layout.left), LogicalPixels(layout.top),
                      LogicalPixels(layout.width), LogicalPixels(layout.height));
  if (layout.bold || layout.underline) {
    QFont font = widget->font();
    font.setBold(layout.bold);
    font.setUnderline(layout.underline);
    widget->setFont(font);
  }
  QPalette palette = widget->palette();
  if (layout.background) {
    const QColor colour = Rgb(*layout.background);
    if (qobject_cast<QListWidget*>(widget)) {
      palette.setColor(QPalette::Base, colour);
    } else {
      palette.setColor(QPalette::Window, colour);
      widget->setAutoFillBackground(true);
    }
  }
  switch (layout.text_colour) {
    case TextColour::kDefault:
      break;
    case TextColour::kCaptionText:
      palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
      break;
    case TextColour::kPaleRed:
      palette.setColor(QPalette::WindowText, Rgb(kPaleRed));
      break;
  }
  widget->setPalette(palette);
}

}  // namespace

void MainWindow::BuildControls() {
  for (const ControlLayout& layout : FrmTopLayout()) {
    if (!layout.shown) continue;
    QWidget* parent = layout.container.empty() ? central_ : Control(layout.container);
    if (!parent) parent = central_;
    const std::string name(layout.name);
    const ControlBinding binding = BindingOf(form_, layout.name);
    QWidget* widget = MakeWidget(layout, binding.label != nullptr, parent);
    if (!widget) continue;
    widget->setObjectName(QString::fromStdString(name));
    StyleWidget(widget, layout);
    controls_[name] = widget;
    // A caption wraps only where the control is tall enough for more than one line: a
    // single-line label that wrapped would show its first word alone.
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setWordWrap(TextLines(label->font(), label->height()) > 1);
    }
    BindControl(widget, name, binding);
    if (binding.action) WireAction(widget, layout.type, binding.action);
  }

  // The pointer over the window's own background.
  central_->setMouseTracking(true);
  Filter(central_, [this](QEvent* event) {
    if (event->type() != QEvent::MouseMove) return false;
    const auto* move = static_cast<QMouseEvent*>(event);
    if (central_->childAt(move->position().toPoint())) return false;
    const int buttons = CoreButtons(move->buttons());
    Dispatch([this, buttons] { form_.Form_MouseMove(buttons); });
    return false;
  });
}

void MainWindow::BindControl(QWidget* widget, const std::string& name,
                             const ControlBinding& binding) {
  if (binding.label) {
    BindLabel(name, *binding.label);
  } else if (binding.list.list) {
    auto* list = static_cast<QListWidget*>(widget);
    BindList(list, *binding.list.list, binding.list.checkable);
    if (binding.list.checkable) {
      WireCatalogue(list, binding.list);
    } else {
      WireWindowList(list, binding.list);
    }
  } else if (binding.check_box) {
    const CheckBox& box = *binding.check_box;
    auto* check_box = static_cast<QCheckBox*>(widget);
    QLabel* caption = AddCheckBoxCaption(check_box);
    bindings_.push_back({[&box] { return box.revision(); },
                         [&box, check_box, caption] {
                           const QString text = ToQt(box.Caption());
                           caption->setText(text);
                           check_box->setAccessibleName(text);
                           check_box->setChecked(box.Value());
                         }});
    WireCheckBox(check_box, binding.action);
  }
}

void MainWindow::WireAction(QWidget* widget, ControlType type, void (frmTop::*handler)()) {
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    connect(button, &QPushButton::clicked, this,
            [this, handler] { Dispatch([this, handler] { (form_.*handler)(); }); });
  } else if (type == ControlType::kLabel) {
    // The two banners: the pointer over them clears the program name.
    widget->setMouseTracking(true);
    Filter(widget, [this, handler](QEvent* event) {
      if (event->type() != QEvent::MouseMove) return false;
      Dispatch([this, handler] { (form_.*handler)(); });
      return true;
    });
  } else if (type == ControlType::kFrame) {
    // A press on the free area of the frame.
    Filter(widget, [this, handler](QEvent* event) {
      if (event->type() != QEvent::MouseButtonPress) return false;
      Dispatch([this, handler] { (form_.*handler)(); });
      return true;
    });
  }
}

void MainWindow::BindLabel(const std::string& name, const Label& label) {
  QWidget* widget = Control(name);
  std::function<void()> draw;
  if (auto* text = qobject_cast<QLabel*>(widget)) {
    draw = [&label, text] {
      text->setText(ToQt(label.Shown()));
      text->setEnabled(label.Enabled());
    };
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    draw = [&label, button] {
      button->setText(ToQt(label.Caption()));
      button->setEnabled(label.Enabled());
    };
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    draw = [&label, group] {
      group->setTitle(ToQt(label.Caption()));
      group->setEnabled(label.Enabled());
    };
  } else {
    return;
  }
  bindings_.push_back({[&label] { return label.revision(); }, std::move(draw)});
}

void MainWindow::BindList(QListWidget* widget, const SortedList& list, bool checkable) {
  bindings_.push_back(
      {[&list] { return list.revision(); },
       [widget, &list, checkable] {
         // In place, so the scroll position survives the refreshes.
         while (widget->count() > list.Count()) delete widget->takeItem(widget->count() - 1);
         while (widget->count() < list.Count()) {
           auto* item = new QListWidgetItem(widget);
           Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
           if (checkable) flags |= Qt::ItemIsUserCheckable;
           item->setFlags(flags);
           // A view draws a box only for an item that holds a state; a new one holds none.
           if (checkable) item->setCheckState(Qt::Unchecked);
         }
         for (int i = 0; i < list.Count(); ++i) {
           const ListItem& source = list.Item(i);
           QListWidgetItem* item = widget->item(i);
           const QString text = ToQt(source.text);
           if (item->text() != text) item->setText(text);
           if (checkable) {
             const Qt::CheckState state = source.checked ? Qt::Checked : Qt::Unchecked;
             if (item->checkState() != state) item->setCheckState(state);
           }
         }
         const int selected = list.ListIndex();
         if (selected == SortedList::kNoSelection) {
           widget->setCurrentRow(-1);
           widget->clearSelection();
         } else if (widget->currentRow() != selected || !widget->item(selected)->isSelected()) {
           widget->setCurrentRow(selected, QItemSelectionModel::ClearAndSelect);
         }
       }});
}

void MainWindow::WireWindowList(QListWidget* widget, ListBinding events) {
  if (!widget) return;
  // A selection made by the keyboard counts as a click; the current row that Qt sets when the
  // list merely takes the focus does not, or the refresh would pause on its own.
  connect(widget, &QListWidget::itemSelectionChanged, this, [this, widget, events] {
    if (syncing_) return;
    const auto selected = widget->selectedItems();
    if (selected.size() != 1) return;
    const int row = widget->row(selected.front());
    Dispatch([this, events, row] { (form_.*events.click)(row); });
  });
  connect(widget, &QListWidget::itemClicked, this, [this, widget, events](QListWidgetItem* item) {
    const int row = widget->row(item);
    Dispatch([this, events, row] { (form_.*events.click)(row); });
  });
  connect(widget, &QListWidget::itemDoubleClicked, this, [this, events](QListWidgetItem*) {
    Dispatch([this, events] { (form_.*events.double_click)(); });
  });
  QWidget* viewport = widget->viewport();
  Filter(viewport, [this, widget, events](QEvent* event) {
    const QEvent::Type type = event->type();
    if (IsMouseButtonEvent(type)) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::RightButton) return false;
      // The right button never changes the selection: the popup acts on the selected window.
      if (type == QEvent::MouseButtonPress) {
        Dispatch([this, events] { (form_.*events.mouse_down)(kRightButton); });
      }
      return true;
    }
    if (type == QEvent::MouseMove) {
      const auto* move = static_cast<QMouseEvent*>(event);
      const QModelIndex index = widget->indexAt(move->position().toPoint());
      const std::optional<int> entry =
          index.isValid() ? std::optional<int>(index.row()) : std::nullopt;
      const int buttons = CoreButtons(move->buttons());
      Dispatch([this, events, buttons, entry] { (form_.*events.mouse_move)(buttons, entry); });
    }
    return false;
  });
  Filter(widget, [this, events](QEvent* event) {
    if (event->type() != QEvent::FocusOut) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // A popup or another window taking the keyboard is no loss of focus within the window.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
    Dispatch([this, events] { (form_.*events.lost_focus)(); });
    return false;
  });
}

void MainWindow::WireCatalogue(QListWidget* widget, ListBinding events) {
  if (!widget) return;
  const auto click = [this, widget, events](QListWidgetItem* item) {
    if (syncing_ || !item) return;
    const int row = widget->row(item);
    const bool checked = item->checkState() == Qt::Checked;
    Dispatch([this, events, row, checked] { (form_.*events.check_click)(row, checked); });
  };
  connect(widget, &QListWidget::itemChanged, this, click);
  connect(widget, &QListWidget::itemClicked, this, click);
  connect(widget, &QListWidget::currentItemChanged, this,
          [click](QListWidgetItem* current, QListWidgetItem*) { click(current); });
  connect(widget, &QListWidget::itemDoubleClicked, this,
          [this, widget, events](QListWidgetItem* item) {
            const int row = widget->row(item);
            Dispatch([this, events, row] { (form_.*events.check_double_click)(row); });
          });
}

void MainWindow::WireCheckBox(QWidget* widget, void (frmTop::*mouse_down)()) {
  if (!widget) return;
  // The box shows the core's value only: a press goes to the core, which flips the value.
  Filter(widget, [this, mouse_down](QEvent* event) {
    const QEvent::Type type = event->type();
    if (IsMouseButtonEvent(type)) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        Dispatch([this, mouse_down] { (form_.*mouse_down)(); });
      }
      return true;
    }
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
      return static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
    }
    return false;
  });
}

void MainWindow::BuildMenus() {
  for (const Menu* menu : {&form_.mnuFichier, &form_.mnuConfiguration, &form_.mnuHelp}) {
    if (!menu->InMenuBar()) continue;
    QMenu* bar_menu = menuBar()->addMenu(ToQt(menu->Caption()));
    bar_menu->setObjectName(QString::fromStdString(menu->Name()));
    bar_menus_[menu->Name()] = bar_menu;
    for (const MenuItem* item : menu->Items()) {
      if (item->IsSeparator()) {
        bar_menu->addSeparator();
        continue;
      }
      QAction* action = bar_menu->addAction(QString());
      action->setObjectName(QString::fromStdString(item->Name()));
      action->setData(QString::fromStdString(item->Name()));
      if (!item->Shortcut().empty()) {
        action->setShortcut(QKeySequence(QString::fromStdString(item->Shortcut())));
        action->setShortcutContext(Qt::WindowShortcut);
      }
      const std::string name = item->Name();
      connect(action, &QAction::triggered, this,
              [this, name] { Dispatch([this, name] { form_.MenuClick(name); }); });
      actions_.push_back({item, action});
    }
  }
}

void MainWindow::SetTabOrder() {
  std::vector<std::pair<int, QWidget*>> order;
  for (const ControlLayout& layout : FrmTopLayout()) {
    QWidget* widget = Control(layout.name);
    if (!widget) continue;
    if (layout.tab_index < 0) {
      if (!qobject_cast<QLabel*>(widget)) widget->setFocusPolicy(Qt::NoFocus);
      continue;
    }
    widget->setFocusPolicy(Qt::StrongFocus);
    order.emplace_back(layout.tab_index, widget);
  }
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < order.size(); ++i) {
    QWidget::setTabOrder(order[i - 1].second, order[i].second);
  }
}

}  // namespace hoverdeck
