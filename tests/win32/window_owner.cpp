// A helper process for the adapter tests: it owns real top-level windows that the tests reach
// across the process boundary.
//
//   hoverdeck_win32_window_owner.exe --window LABEL FLAGS CAPTION [--window ...]
//
// FLAGS is "-" or any of: t topmost, d disabled, h hidden (never shown), p popup owned by the
// first window, o overlapped window owned by the first window. The windows are created in the
// order given, then stacked so that each one lies above the ones before it in its band. Up to
// fifteen windows fit on a 1280x1024 screen without overlapping.
//
// On stdout, one line per window "LABEL HANDLE" (handle in decimal), then "ready". Commands on
// stdin, one per line:
//   caption LABEL  -> "caption LABEL HEX", the caption as this process sees it, UTF-16 code units
//                     as four hex digits each ("-" when empty)
// The end of stdin closes the windows and ends the process.
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kClassName[] = L"HoverdeckTestWindowOwner";

struct WindowRequest {
  std::wstring label;
  std::wstring flags;
  std::wstring caption;
};

std::map<std::string, HWND> g_windows;

void WriteOut(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
  FlushFileBuffers(GetStdHandle(STD_OUTPUT_HANDLE));
}

// Labels are plain ASCII.
std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string HexUnits(const std::wstring& text) {
  if (text.empty()) return "-";
  std::string hex;
  char unit[8];
  for (wchar_t c : text) {
    std::snprintf(unit, sizeof(unit), "%04X", static_cast<unsigned>(c) & 0xFFFFu);
    hex += unit;
  }
  return hex;
}

bool Has(const std::wstring& flags, wchar_t flag) { return flags.find(flag) != std::wstring::npos; }

HWND Create(const WindowRequest& request, HWND first, int index) {
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD ex_style = 0;
  HWND owner = nullptr;
  if (Has(request.flags, L't')) ex_style |= WS_EX_TOPMOST;
  if (Has(request.flags, L'd')) style |= WS_DISABLED;
  if (Has(request.flags, L'p')) {
    style = WS_POPUP | WS_CAPTION | WS_SYSMENU | (style & WS_DISABLED);
    owner = first;
  }
  if (Has(request.flags, L'o')) owner = first;
  // Side by side in a grid, each of its own size: Wine raises a window above the windows it
  // overlaps whenever its X window is exposed, which would stir the Z-order under the tests.
  const int column = index % 5;
  const int row = index / 5;
  return CreateWindowExW(ex_style, kClassName, request.caption.c_str(), style, 8 + 254 * column,
                         8 + 200 * row, 230 + index, 170 + index, owner, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

// Reads commands until stdin ends, then ends the message loop of `ui_thread`.
void ServeCommands(DWORD ui_thread) {
  std::string pending;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &got, nullptr) &&
         got > 0) {
    pending.append(buffer, got);
    for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("caption ", 0) == 0) {
        const std::string label = line.substr(8);
        const auto found = g_windows.find(label);
        std::wstring caption;
        if (found != g_windows.end()) {
          // Another thread of this process owns the window: this asks it by WM_GETTEXT.
          caption.resize(1024);
          caption.resize(static_cast<std::size_t>(
              GetWindowTextW(found->second, caption.data(), static_cast<int>(caption.size()))));
        }
        WriteOut("caption " + label + " " + HexUnits(caption));
      }
    }
  }
  PostThreadMessageW(ui_thread, WM_QUIT, 0, 0);
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 2;
  std::vector<WindowRequest> requests;
  for (int i = 1; i < argc; i += 4) {
    if (std::wstring(argv[i]) != L"--window" || i + 3 >= argc) {
      std::fprintf(stderr, "usage: --window LABEL FLAGS CAPTION ...\n");
      return 2;
    }
    requests.push_back({argv[i + 1], argv[i + 2], argv[i + 3]});
  }
  LocalFree(argv);

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kClassName;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  if (!RegisterClassW(&window_class)) return 3;

  std::vector<HWND> created;
  for (const auto& request : requests) {
    HWND window = Create(request, created.empty() ? nullptr : created.front(),
                         static_cast<int>(created.size()));
    if (window == nullptr) {
      std::fprintf(stderr, "cannot create window %ls\n", request.label.c_str());
      return 4;
    }
    created.push_back(window);
  }
  // Shown without activation, then stacked in creation order: the last one ends on top of its
  // band whatever the activation did.
  for (std::size_t i = 0; i < created.size(); ++i) {
    if (!Has(requests[i].flags, L'h')) ShowWindow(created[i], SW_SHOWNOACTIVATE);
  }
  for (HWND window : created) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (std::size_t i = 0; i < created.size(); ++i) {
    const std::string label = Ascii(requests[i].label);
    g_windows[label] = created[i];
    WriteOut(label + " " +
             std::to_string(static_cast<long long>(reinterpret_cast<INT_PTR>(created[i]))));
  }
  WriteOut("ready");

  std::thread commands(ServeCommands, GetCurrentThreadId());
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  for (HWND window : created) DestroyWindow(window);
  // The reader may still be blocked on stdin; the process ends without waiting for it.
  commands.detach();
  ExitProcess(0);
}
