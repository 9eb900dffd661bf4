// A helper process that owns real top-level windows for the tests to reach across the process
// boundary:  hoverdeck_win32_window_owner.exe LABEL FLAGS CAPTION [LABEL FLAGS CAPTION ...]
// FLAGS is "-" or any of: t topmost, d disabled, h hidden, p popup owned by the first window,
// o overlapped window owned by the first window. Each window ends above the ones before it in
// its band. It prints "LABEL HANDLE" (decimal) per window, then "ready", and runs until ended.
#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc % 3 != 1) return 2;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"HoverdeckTestWindowOwner";
  if (!RegisterClassW(&window_class)) return 3;

  std::vector<HWND> created;
  for (int i = 1; i < argc; i += 3) {
    const std::wstring flags = argv[i + 1];
    const auto has = [&](wchar_t flag) { return flags.find(flag) != std::wstring::npos; };
    DWORD style = WS_OVERLAPPEDWINDOW | (has(L'd') ? WS_DISABLED : 0);
    if (has(L'p')) style = WS_POPUP | WS_CAPTION | WS_SYSMENU | (style & WS_DISABLED);
    HWND owner = has(L'p') || has(L'o') ? created.front() : nullptr;
    // Side by side in a grid, each of its own size: Wine raises a window above the ones it
    // overlaps whenever it is exposed, which would stir the Z-order under the tests.
    const int index = static_cast<int>(created.size());
    HWND window = CreateWindowExW(has(L't') ? WS_EX_TOPMOST : 0, window_class.lpszClassName,
                                  argv[i + 2], style, 8 + 254 * (index % 5), 8 + 200 * (index / 5),
                                  230 + index, 170 + index, owner, nullptr,
                                  window_class.hInstance, nullptr);
    if (window == nullptr) return 4;
    if (!has(L'h')) ShowWindow(window, SW_SHOWNOACTIVATE);
    created.push_back(window);
  }
  // Stacked in creation order once all are shown, whatever the activation did.
  for (HWND window : created) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (std::size_t i = 0; i < created.size(); ++i) {
    std::printf("%ls %lld\n", argv[1 + 3 * i],
                static_cast<long long>(reinterpret_cast<INT_PTR>(created[i])));
  }
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}
