#include "X11Fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace hoverdeck::testing {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

std::vector<std::string> Fields(const std::string& list) {
  std::vector<std::string> fields;
  std::istringstream in(list);
  for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
  return fields;
}

}  // namespace

// Stops at an unknown option or at a window the window manager does not take in.
WindowOwner::WindowOwner(const std::vector<std::vector<std::string>>& plans) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  for (const auto& options : plans) {
    const xcb_window_t w = xcb_generate_id(x.c());
    xcb_create_window(x.c(), XCB_COPY_FROM_PARENT, w, x.root, 200, 150, 320, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    x.Set(w, "WM_CLASS", "STRING", std::string_view("hoverdeck-test\0HoverdeckTest", 29), false);
    x.Set(w, "WM_CLIENT_MACHINE", "STRING", host, false);
    x.Set(w, "_NET_WM_PID", "CARDINAL", {static_cast<std::uint32_t>(getpid())});
    std::uint32_t wm_state = 1;  // Normal, or Iconic (3)
    bool mapped = true, managed = true;
    std::vector<std::uint32_t> states;
    for (std::size_t i = 0; i < options.size(); ++i) {
      const std::string& option = options[i];
      const auto next = [&] { return options.at(++i); };
      std::vector<std::uint32_t> values;
      if (option == "--name") {
        x.Set(w, "_NET_WM_NAME", "UTF8_STRING", next(), false);
      } else if (option == "--text") {
        const std::string property = next(), type = next();
        x.Set(w, property, type, next(), false);
      } else if (option == "--atoms") {
        const std::string property = next();
        for (const std::string& name : Fields(next())) values.push_back(x.Atom(name));
        x.Set(w, property, "ATOM", values);
        if (property == "_NET_WM_STATE") states = values;
      } else if (option == "--motif") {
        for (const std::string& field : Fields(next())) values.push_back(std::stoul(field));
        x.Set(w, "_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS", values);
      } else if (option == "--transient-for") {
        x.Set(w, "WM_TRANSIENT_FOR", "WINDOW", {windows.at(std::stoul(next()))});
      } else if (option == "--iconic") {
        wm_state = 3;
      } else if (option == "--unmapped") {
        mapped = false;
      } else if (option == "--override-redirect") {
        const std::uint32_t on = 1;
        xcb_change_window_attributes(x.c(), w, XCB_CW_OVERRIDE_REDIRECT, &on);
        managed = false;
      } else if (option == "--no-pid") {
        xcb_delete_property(x.c(), w, x.Atom("_NET_WM_PID"));
      } else {
        return;
      }
    }
    x.Set(w, "WM_HINTS", "WM_HINTS", {3, 1, wm_state, 0, 0, 0, 0, 0, 0});  // input, state
    if (mapped) xcb_map_window(x.c(), w);
    const bool taken_in = !mapped || !managed || WaitUntil([&] {
      const auto now = x.Read(w, "WM_STATE").value_or(Probe::Property{}).values;
      const auto held = x.Read(w, "_NET_WM_STATE").value_or(Probe::Property{}).values;
      const auto listed = x.Read(x.root, "_NET_CLIENT_LIST_STACKING").value_or(Probe::Property{});
      return !now.empty() && now[0] == wm_state &&
             std::count(listed.values.begin(), listed.values.end(), w) > 0 &&
             std::all_of(states.begin(), states.end(), [&](std::uint32_t atom) {
               return std::count(held.begin(), held.end(), atom) > 0;
             });
    });
    if (!taken_in) return;
    windows.push_back(w);
  }
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
  }
  return true;
}

Probe::Probe() : c_(xcb_connect(nullptr, nullptr)) {
  if (xcb_connection_has_error(c_) == 0)
    root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
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
  const auto values = Read(window, property).value_or(Property{}).values;
  return std::count(values.begin(), values.end(), Atom(name)) > 0;
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
  const Windows& opened = owners_.back()->windows;
  EXPECT_EQ(opened.size(), windows.size()) << "the window owner failed";
  mine_.insert(mine_.end(), opened.begin(), opened.end());
  return opened;
}

void X11Test::TearDown() {
  owners_.clear();
  EXPECT_TRUE(WaitUntil([&] {
    const auto listed = probe_.Read(probe_.root, "_NET_CLIENT_LIST").value_or(Probe::Property{});
    return std::none_of(mine_.begin(), mine_.end(), [&](WindowHandle w) {
      return std::count(listed.values.begin(), listed.values.end(), w) > 0;
    });
  }));
  mine_.clear();
}

std::string X11Test::Names(WindowHandle w) {
  std::string names;
  for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
    const auto read = probe_.Read(w, name).value_or(Probe::Property{});
    names += read.type + ":" + read.bytes + "|";
  }
  return names;
}

Windows X11Test::Walk(WindowHandle from) {
  Windows met;
  WindowHandle w = from == kNoWindow ? x_->FirstWindow(kNoWindow) : from;
  for (int steps = 0; w != kNoWindow && steps < 1000; w = x_->NextWindow(w), ++steps) {
    if (std::count(mine_.begin(), mine_.end(), w) > 0) met.push_back(w);
  }
  return met;
}

}  // namespace hoverdeck::testing
