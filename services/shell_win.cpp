#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include "services/shell.h"

namespace fendrix {

Text PickPath(const Text& title, std::optional<bool> includeFiles) {
  // The browse dialog wants COM, apartment-threaded, on its thread.
  static const HRESULT comReady = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)comReady;

  const HWND active = GetActiveWindow();
  const HWND foreground = GetForegroundWindow();
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = IsWindow(active) ? active : nullptr;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_EDITBOX | (includeFiles.value_or(false) ? BIF_BROWSEINCLUDEFILES : 0);

  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
  if (IsWindow(foreground)) SetForegroundWindow(foreground);
  if (IsWindow(active)) SetActiveWindow(active);
  if (item == nullptr) return {};

  Text path;
  char buffer[MAX_PATH] = {};
  if (SHGetPathFromIDListA(item, buffer)) path = buffer;
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator))) {
    allocator->Free(item);
    allocator->Release();
  }
  return path;
}

void OpenURL(const Text& address) {
  const HWND owner = FindWindowA(nullptr, "Microsoft Internet Explorer");
  ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace fendrix
