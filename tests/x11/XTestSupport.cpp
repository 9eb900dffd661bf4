#include "XTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace hoverdeck::testing {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// Reads lines from `fd` until "ready", the end of the stream or the deadline.
bool ReadReport(int fd, std::vector<std::string>& lines, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string pending;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd watched{fd, POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[512];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(got));
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      lines.push_back(pending.substr(0, end));
      pending.erase(0, end + 1);
      if (lines.back() == "ready") return true;
    }
  }
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

std::unique_ptr<WindowOwner> WindowOwner::Start(const std::vector<std::string>& arguments,
                                                std::string& error) {
  int to_child[2];
  int from_child[2];
  if (pipe2(to_child, O_CLOEXEC) != 0) return error = "pipe failed", nullptr;
  if (pipe2(from_child, O_CLOEXEC) != 0) {
    close(to_child[0]);
    close(to_child[1]);
    return error = "pipe failed", nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
  std::vector<std::string> argv_text{HOVERDECK_WINDOW_OWNER};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argv_text) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, HOVERDECK_WINDOW_OWNER, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(to_child[0]);
  close(from_child[1]);
  if (spawned != 0) {
    close(to_child[1]);
    close(from_child[0]);
    return error = "cannot start " HOVERDECK_WINDOW_OWNER, nullptr;
  }
  std::unique_ptr<WindowOwner> owner(new WindowOwner(pid, to_child[1]));
  std::vector<std::string> lines;
  const bool ready = ReadReport(from_child[0], lines, std::chrono::seconds(15));
  close(from_child[0]);
  if (!ready) return error = "the window owner did not report ready", nullptr;
  lines.pop_back();
  for (const std::string& line : lines) {
    owner->windows_.push_back(static_cast<WindowHandle>(std::stoul(line)));
  }
  return owner;
}

WindowOwner::~WindowOwner() {
  close(input_);
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
}

std::unique_ptr<Probe> Probe::Connect() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) != 0) {
    xcb_disconnect(connection);
    return nullptr;
  }
  return std::unique_ptr<Probe>(new Probe(connection));
}

Probe::Probe(xcb_connection_t* connection)
    : connection_(connection),
      root_(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root) {}

Probe::~Probe() { xcb_disconnect(connection_); }

xcb_atom_t Probe::Atom(std::string_view name) {
  const Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          connection_,
          xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
          nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string Probe::AtomName(xcb_atom_t atom) {
  if (atom == XCB_ATOM_NONE) return {};
  const Reply<xcb_get_atom_name_reply_t> reply(
      xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr),
      &std::free);
  if (!reply) return {};
  return std::string(xcb_get_atom_name_name(reply.get()),
                     static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
}

std::optional<Probe::Property> Probe::Read(WindowHandle window, std::string_view property) {
  xcb_generic_error_t* error = nullptr;
  const Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(connection_,
                             xcb_get_property(connection_, 0, window, Atom(property),
                                              XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16),
                             &error),
      &std::free);
  std::free(error);
  if (!reply) return std::nullopt;
  Property result;
  result.type = AtomName(reply->type);
  result.format = reply->format;
  const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
  if (reply->format == 8) result.bytes.assign(data, reply->value_len);
  if (reply->format == 32) {
    const auto* values = reinterpret_cast<const std::uint32_t*>(data);
    result.values.assign(values, values + reply->value_len);
  }
  return result;
}

bool Probe::HasAtom(WindowHandle window, std::string_view property, std::string_view name) {
  const auto read = Read(window, property);
  return read && std::count(read->values.begin(), read->values.end(), Atom(name)) > 0;
}

std::vector<WindowHandle> Probe::ClientList() {
  return Read(root_, "_NET_CLIENT_LIST").value_or(Property{}).values;
}

void Probe::SetAtoms(WindowHandle window, std::string_view property,
                     const std::vector<std::string>& names) {
  std::vector<xcb_atom_t> atoms;
  for (const std::string& name : names) atoms.push_back(Atom(name));
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom(property), XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(atoms.size()), atoms.data());
  Sync();
}

void Probe::SetText(WindowHandle window, std::string_view property, std::string_view type,
                    std::string_view bytes) {
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom(property), Atom(type), 8,
                      static_cast<std::uint32_t>(bytes.size()), bytes.data());
  Sync();
}

void Probe::Unmap(WindowHandle window) {
  xcb_unmap_window(connection_, window);
  Sync();
}

void Probe::Destroy(WindowHandle window) {
  xcb_destroy_window(connection_, window);
  Sync();
}

void Probe::Sync() {
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

}  // namespace hoverdeck::testing
