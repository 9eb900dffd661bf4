#include "platform/kwin/KWinRules.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <vector>

namespace hoverdeck {
namespace {

// A group of the file: its header line and the lines under it, kept as they were read.
struct Group {
  std::string name;
  std::vector<std::string> lines;  // the header first, when the group has one
};

std::vector<Group> SplitGroups(std::string_view text) {
  std::vector<Group> groups(1);  // the lines before the first header
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.starts_with('[') && line.find(']') != std::string::npos) {
      groups.push_back({line.substr(1, line.find(']') - 1), {}});
    }
    groups.back().lines.push_back(std::move(line));
  }
  return groups;
}

// The raw value of `key` in the group; nullopt when it has none.
std::optional<std::string_view> Value(const Group& group, std::string_view key) {
  for (const std::string& line : group.lines) {
    const std::string_view view(line);
    if (view.starts_with(key) && view.size() > key.size() && view[key.size()] == '=') {
      return view.substr(key.size() + 1);
    }
  }
  return std::nullopt;
}

std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> items;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    items.emplace_back(list.substr(0, comma));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return items;
}

// The groups KWin reads as rules: those the general group lists, or 1 to count in old files.
std::vector<std::string> ListedRules(const Group* general) {
  if (general == nullptr) return {};
  if (const auto rules = Value(*general, "rules")) return SplitList(*rules);
  std::vector<std::string> numbered;
  int count = 0;
  if (const auto text = Value(*general, "count")) {
    std::from_chars(text->data(), text->data() + text->size(), count);
  }
  for (int i = 1; i <= count; ++i) numbered.push_back(std::to_string(i));
  return numbered;
}

// Whether the group is one of the program's rules whose description begins with `prefix`.
bool IsOurs(const Group& group, std::string_view prefix = kKWinOwnRules) {
  const auto description = Value(group, "Description");
  return description && ConfigUnescape(*description).starts_with(prefix);
}

std::string Joined(const std::vector<std::string>& items) {
  std::string list;
  for (const std::string& item : items) list += (list.empty() ? "" : ",") + item;
  return list;
}

// Sets `key` in the group, in place when it is there, else after the last line with text.
void Set(Group& group, std::string_view key, const std::string& value) {
  const std::string line = std::string(key) + "=" + value;
  for (std::string& existing : group.lines) {
    if (existing.starts_with(std::string(key) + "=")) {
      existing = line;
      return;
    }
  }
  auto last = std::find_if(group.lines.rbegin(), group.lines.rend(),
                           [](const std::string& text) { return !text.empty(); });
  group.lines.insert(last.base(), line);
}

}  // namespace

std::string ConfigEscape(std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    if (c == ' ' && (i == 0 || i + 1 == value.size())) {
      out += "\\s";  // KConfig trims unescaped blanks at either end
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      out += std::string("\\x") + kHex[c >> 4] + kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ConfigUnescape(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char c = value[++i];
    if (c == 's') {
      out += ' ';
    } else if (c == 'n') {
      out += '\n';
    } else if (c == 't') {
      out += '\t';
    } else if (c == 'r') {
      out += '\r';
    } else if (c == 'x' && i + 2 < value.size()) {
      unsigned byte = 0;
      std::from_chars(value.data() + i + 1, value.data() + i + 3, byte, 16);
      out += static_cast<char>(byte);
      i += 2;
    } else {
      out += c;  // \\ and any other escaped character stand for themselves
    }
  }
  return out;
}

namespace {

// The text with the program's rules that `drop` answers true for taken away (whether the
// general group lists them or not) and the rules `add` (their lines after the header) added.
std::string Edited(std::string_view text, const std::function<bool(const Group&)>& drop,
                   const std::vector<std::vector<std::string>>& add) {
  std::vector<Group> groups = SplitGroups(text);
  const auto named = [&groups](std::string_view name) {
    return std::find_if(groups.begin(), groups.end(),
                        [&](const Group& g) { return g.name == name; });
  };
  const auto general_at = named("General");
  std::vector<std::string> rules =
      ListedRules(general_at == groups.end() ? nullptr : &*general_at);
  const auto dropped = [&](const Group& g) { return !g.name.empty() && IsOurs(g) && drop(g); };
  std::erase_if(rules, [&](const std::string& name) {
    const auto group = named(name);
    return group != groups.end() && dropped(*group);
  });
  std::erase_if(groups, dropped);

  for (const std::vector<std::string>& lines : add) {
    std::string name = "hoverdeck-1";
    for (int n = 2; named(name) != groups.end(); ++n) name = "hoverdeck-" + std::to_string(n);
    if (!groups.back().lines.empty() && !groups.back().lines.back().empty()) {
      groups.back().lines.emplace_back();
    }
    groups.push_back({name, {"[" + name + "]"}});
    groups.back().lines.insert(groups.back().lines.end(), lines.begin(), lines.end());
    rules.push_back(name);
  }

  auto general = named("General");
  if (general == groups.end()) {
    if (rules.empty()) return std::string(text);
    general = groups.insert(groups.begin() + 1, Group{"General", {"[General]", ""}});
  }
  Set(*general, "count", std::to_string(rules.size()));
  Set(*general, "rules", Joined(rules));

  std::string out;
  for (const Group& group : groups) {
    for (const std::string& line : group.lines) out += line + "\n";
  }
  // The last line keeps the file's own ending.
  if (!text.empty() && !text.ends_with('\n') && out.ends_with('\n')) out.pop_back();
  return out;
}

std::vector<std::string> CloseRule(std::string_view description, std::string_view title,
                                   int title_match) {
  std::vector<std::string> lines{"Description=" + ConfigEscape(description), "closeable=false",
                                 "closeablerule=2"};
  if (title_match != 0) {
    lines.push_back("title=" + ConfigEscape(title));
    lines.push_back("titlematch=" + std::to_string(title_match));
  } else {
    lines.push_back("types=" + std::to_string(kKWinListedTypes));
  }
  return lines;
}

}  // namespace

std::string WithCloseRule(std::string_view text, const KWinRuleMatch& match, bool close_disabled,
                          const std::set<std::string>& present) {
  const auto title_of = [](const Group& g) {
    return ConfigUnescape(Value(g, "title").value_or(""));
  };
  const auto same = [&](const Group& g) {
    return title_of(g) == match.title &&
           ConfigUnescape(Value(g, "wmclass").value_or("")) == match.app;
  };
  // Ours are kept while their window exists and is still wanted.
  const auto drop = [&](const Group& g) {
    return IsOurs(g, kKWinRuleDescription) &&
           (same(g) ? !close_disabled : present.count(title_of(g)) == 0);
  };
  bool have_rule = false;
  for (const Group& g : SplitGroups(text)) {
    have_rule = have_rule || (IsOurs(g, kKWinRuleDescription) && same(g));
  }
  std::vector<std::vector<std::string>> add;
  if (close_disabled && !have_rule) {
    add.push_back(CloseRule(std::string(kKWinRuleDescription) + match.title, match.title, 1));
    if (!match.app.empty()) {
      // The class alone (not "class name"), matched exactly.
      add.back().insert(add.back().end(), {"wmclass=" + ConfigEscape(match.app),
                                           "wmclasscomplete=false", "wmclassmatch=1"});
    }
  }
  return Edited(text, drop, add);
}

std::string WithListRules(std::string_view text, const std::vector<std::string>& parts,
                          bool every_window) {
  std::vector<std::vector<std::string>> add;
  if (every_window) {
    add.push_back(CloseRule(kKWinAllRuleDescription, "", 0));
  } else {
    for (const std::string& part : parts) {
      add.push_back(CloseRule(std::string(kKWinListRuleDescription) + part, part, 2));
    }
  }
  const auto list_rule = [](const Group& g) {
    return IsOurs(g, kKWinListRuleDescription) || IsOurs(g, kKWinAllRuleDescription);
  };
  return Edited(Edited(text, list_rule, {}), [](const Group&) { return false; }, add);
}

std::string WithoutOwnRules(std::string_view text) {
  return Edited(text, [](const Group&) { return true; }, {});
}

std::string KWinRuleTitle(std::string_view caption) {
  static constexpr std::string_view kMark = "\xe2\x80\x8e";  // U+200E
  if (!caption.ends_with(kMark)) return std::string(caption);
  std::string_view title = caption.substr(0, caption.size() - kMark.size());
  const std::size_t open = title.rfind(" <");
  if (open != std::string_view::npos && title.ends_with('>') && open + 3 < title.size() &&
      title.substr(open + 2, title.size() - open - 3).find_first_not_of("0123456789") ==
          std::string_view::npos) {
    title = title.substr(0, open);
  }
  return std::string(title);
}

}  // namespace hoverdeck
