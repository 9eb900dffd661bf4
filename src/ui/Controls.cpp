#include "ui/Controls.h"

namespace hoverdeck {

void Label::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  ++revision_;
}

void Label::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  ++revision_;
}

std::string LabelDisplayText(std::string_view caption) {
  std::string shown;
  shown.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        shown += '&';
        ++i;
      }
      continue;
    }
    shown += caption[i];
  }
  return shown;
}

std::string Label::Shown() const {
  return use_mnemonic_ ? LabelDisplayText(caption_) : caption_;
}

std::string EscapeMnemonics(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (c == '&') escaped += '&';
    escaped += c;
  }
  return escaped;
}

void CheckBox::SetValue(bool value) {
  if (value == value_) return;
  value_ = value;
  ++revision_;
}

void MenuItem::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  ++revision_;
}

void MenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  ++revision_;
}

void Timer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  ++revision_;
}

void Timer::SetEnabled(bool enabled) {
  if (enabled) ++starts_;
  enabled_ = enabled;
  ++revision_;
}

}  // namespace hoverdeck
