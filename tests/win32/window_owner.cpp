// Owns real top-level windows for the tests:  window_owner.exe LABEL FLAGS CAPTION [...]
// FLAGS: "-" or any of t topmost, d disabled, h hidden, p popup / o overlapped owned by the first
// window, n class named LABEL itself, s the desktop's shell window, k holding the hotkey
// Ctrl+Win+T. Each window (class
// "hvd_LABEL") ends above those before it in its band; a hidden "hvd_ready" follows them all. It
// runs until ended. WM_APP to any of its windows makes it stop answering until the event
// "Local\hvd_resume_<its process id>" is set.
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <string>
#include <vector>

// In user32, though no header declares it.
extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

HANDLE g_resume = nullptr;

LRESULT CALLBACK Answer(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) WaitForSingleObject(g_resume, 60'000);
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND Create(const std::wstring& class_name, DWORD ex_style, LPCWSTR caption, DWORD style, int index,
            HWND owner) {
  const WNDCLASSW window_class{0,       Answer,  0,       0,       GetModuleHandleW(nullptr),
                               nullptr, nullptr, nullptr, nullptr, class_name.c_str()};
  RegisterClassW(&window_class);
  // In a grid, each of its own size: Wine raises an exposed window above those it overlaps.
  return CreateWindowExW(ex_style, class_name.c_str(), caption, style, 8 + 254 * (index % 5),
                         8 + 200 * (index / 5), 230 + index, 170 + index, owner, nullptr,
                         window_class.hInstance, nullptr);
}

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc % 3 != 1) return 2;
  const std::wstring resume = L"Local\\hvd_resume_" + std::to_wstring(GetCurrentProcessId());
  g_resume = CreateEventW(nullptr, TRUE, FALSE, resume.c_str());
  std::vector<HWND> created;
  for (int i = 1; i < argc; i += 3) {
    const std::wstring flags = argv[i + 1];
    const auto has = [&](wchar_t flag) { return flags.find(flag) != std::wstring::npos; };
    DWORD style = WS_OVERLAPPEDWINDOW | (has(L'd') ? WS_DISABLED : 0);
    if (has(L'p')) style = WS_POPUP | WS_CAPTION | WS_SYSMENU | (style & WS_DISABLED);
    HWND window =
        Create(has(L'n') ? argv[i] : L"hvd_" + std::wstring(argv[i]), has(L't') ? WS_EX_TOPMOST : 0,
               argv[i + 2], style, static_cast<int>(created.size()),
               has(L'p') || has(L'o') ? created.front() : nullptr);
    if (window == nullptr) return 4;
    if (!has(L'h')) ShowWindow(window, SW_SHOWNOACTIVATE);
    if (has(L's') && !SetShellWindow(window)) return 5;
    if (has(L'k') && !RegisterHotKey(window, 1, MOD_CONTROL | MOD_WIN, 'T')) return 6;
    created.push_back(window);
  }
  // Stacked in creation order once all are shown, whatever the activation did.
  for (HWND window : created) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  Create(L"hvd_ready", 0, L"", WS_OVERLAPPED, 0, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}
