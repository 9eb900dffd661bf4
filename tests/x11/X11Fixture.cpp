#include "X11Fixture.h"

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace hoverdeck::testing {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char ch : text) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return quoted + "'";
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

WindowOwner::WindowOwner(const std::vector<std::vector<std::string>>& windows) {
  std::string command = "exec " HOVERDECK_WINDOW_OWNER;
  for (const auto& options : windows) {
    command += " --window";
    for (const std::string& option : options) command += " " + Quoted(option);
  }
  output = popen(command.c_str(), "r");
  char line[64];
  while (output && std::fgets(line, sizeof line, output)) {
    if (std::sscanf(line, "ready %d", &pid) == 1) return;
    this->windows.push_back(static_cast<WindowHandle>(std::stoul(line)));
  }
}

WindowOwner::~WindowOwner() {
  if (pid > 0) kill(pid, SIGTERM);
  if (output) pclose(output);
}

Probe::Probe() : c_(xcb_connect(nullptr, nullptr)) {
  if (xcb_connection_has_error(c_) == 0) root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
}

xcb_atom_t Probe::Atom(std::string_view name) {
  const Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
          nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::optional<Probe::Property> Probe::Read(WindowHandle window, std::string_view property) {
  const Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(
          c_, xcb_get_property(c_, 0, window, Atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 65536),
          nullptr),
      &std::free);
  if (!reply) return std::nullopt;
  Property result;
  const Reply<xcb_get_atom_name_reply_t> name(
      xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, reply->type), nullptr), &std::free);
  if (name) result.type.assign(xcb_get_atom_name_name(name.get()), name->name_len);
  const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
  if (reply->format == 8) result.bytes.assign(data, reply->value_len);
  const auto* values = reinterpret_cast<const std::uint32_t*>(data);
  if (reply->format == 32) result.values.assign(values, values + reply->value_len);
  return result;
}

bool Probe::HasAtom(WindowHandle window, std::string_view property, std::string_view name) {
  const auto read = Read(window, property);
  return read && std::count(read->values.begin(), read->values.end(), Atom(name)) > 0;
}

void Probe::Set(WindowHandle window, std::string_view property, std::string_view type,
                std::string_view bytes, bool sync) {
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, Atom(property), Atom(type), 8,
                      static_cast<std::uint32_t>(bytes.size()), bytes.data());
  if (sync) Sync();
}

void Probe::Set(WindowHandle window, std::string_view property, std::string_view type,
                const std::vector<std::uint32_t>& values) {
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, Atom(property), Atom(type), 32,
                      static_cast<std::uint32_t>(values.size()), values.data());
  Sync();
}

void Probe::Ask(WindowHandle window, std::string_view message,
                const std::vector<std::uint32_t>& data) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = Atom(message);
  std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 5), event.data.data32);
  xcb_send_event(c_, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  Sync();
}

void Probe::Sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

Windows X11Test::OpenMore(const std::vector<std::vector<std::string>>& windows) {
  owners_.push_back(std::make_unique<WindowOwner>(windows));
  EXPECT_GT(owners_.back()->pid, 0) << "the window owner did not get ready";
  return owners_.back()->windows;
}

void X11Test::CloseAll() {
  Windows gone;
  for (const auto& owner : owners_) gone.insert(gone.end(), owner->windows.begin(), owner->windows.end());
  owners_.clear();
  w_.clear();
  EXPECT_TRUE(WaitUntil([&] {
    const auto listed = probe_.Read(probe_.root, "_NET_CLIENT_LIST").value_or(Probe::Property{});
    return std::none_of(gone.begin(), gone.end(), [&](WindowHandle w) {
      return std::count(listed.values.begin(), listed.values.end(), w) > 0;
    });
  }));
}

Windows X11Test::Walk(X11WindowSystem* x) {
  if (x == nullptr) x = x_.get();
  Windows mine, met;
  for (const auto& owner : owners_) mine.insert(mine.end(), owner->windows.begin(), owner->windows.end());
  int steps = 0;
  for (WindowHandle w = x->FirstWindow(kNoWindow); w != kNoWindow && steps < 1000;
       w = x->NextWindow(w), ++steps) {
    if (std::count(mine.begin(), mine.end(), w) > 0) met.push_back(w);
  }
  return met;
}

}  // namespace hoverdeck::testing
