// Answers the browse dialog another process shows: chooses a folder or file in
// it, or cancels it. Tests only; run under Wine beside fendrix.exe.
//
//   pick_dialog.exe [--title TEXT] (--choose WINPATH | --cancel) [--timeout SECONDS]
//
// Exit 0 once the dialog has closed with the wanted answer; 1 with a message on
// standard error when no dialog came, the path could not be selected, or the
// dialog stayed open; 2 for wrong arguments.
#include <windows.h>
// After windows.h, which these need.
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

namespace {

// How often the state is looked at while waiting for it to change.
constexpr DWORD kPollMilliseconds = 20;
// Room for the text of one tree item.
constexpr int kTextChars = MAX_PATH;

struct Options {
  std::wstring title;
  std::wstring path;
  bool cancel = false;
  DWORD timeoutMilliseconds = 30000;
};

// UTF-8 on standard error, as the test reading it expects; the C runtime
// would re-encode wide text for the "C" locale.
void Fail(const std::wstring& what, const std::wstring& detail = {}) {
  const std::wstring line = L"pick_dialog: " + what + detail + L"\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  bool chosen = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--title" && hasValue) {
      options.title = argv[++i];
    } else if (arg == L"--choose" && hasValue) {
      options.path = argv[++i];
      chosen = true;
    } else if (arg == L"--cancel") {
      options.cancel = true;
    } else if (arg == L"--timeout" && hasValue) {
      const double seconds = _wtof(argv[++i]);
      if (seconds <= 0) return false;
      options.timeoutMilliseconds = static_cast<DWORD>(seconds * 1000);
    } else {
      return false;
    }
  }
  return chosen != options.cancel;
}

// Calls ready() until it is true or the deadline (a GetTickCount value) passes.
template <typename Ready>
bool WaitFor(DWORD deadline, Ready ready) {
  for (;;) {
    if (ready()) return true;
    if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
    Sleep(kPollMilliseconds);
  }
}

// Sends with the time left before deadline at most, so that a window that
// stops answering ends the helper with a message rather than a hang.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD deadline,
          LRESULT* result = nullptr) {
  const LONG left = static_cast<LONG>(deadline - GetTickCount());
  DWORD_PTR answer = 0;
  if (left <= 0 || !SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                                        static_cast<UINT>(left), &answer)) {
    return false;
  }
  if (result != nullptr) *result = static_cast<LRESULT>(answer);
  return true;
}

struct Search {
  const std::wstring* title;
  DWORD deadline;
  HWND dialog;
  HWND tree;
};

BOOL CALLBACK HasTitleText(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t text[512] = {};
  if (!Send(child, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), search->deadline)) return TRUE;
  if (*search->title != text) return TRUE;
  search->dialog = GetParent(child);
  return FALSE;
}

BOOL CALLBACK IsBrowseDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  wchar_t className[64] = {};
  if (!IsWindowVisible(window) || !GetClassNameW(window, className, 64) ||
      std::wcscmp(className, L"#32770") != 0) {
    return TRUE;
  }
  const HWND tree = FindWindowExW(window, nullptr, WC_TREEVIEWW, nullptr);
  if (tree == nullptr) return TRUE;
  if (!search->title->empty()) {
    search->dialog = nullptr;
    EnumChildWindows(window, HasTitleText, param);
    if (search->dialog != window) return TRUE;
  }
  search->dialog = window;
  search->tree = tree;
  return FALSE;
}

// Memory in the dialog's process: the messages below are not marshalled
// between processes, so their pointers must point there.
class RemoteMemory {
 public:
  RemoteMemory(HWND window, SIZE_T size) : size_(size) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_ != nullptr) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteMemory() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && WriteProcessMemory(process_, at(offset), data, size, &done) &&
           done == size;
  }
  bool Read(SIZE_T offset, void* data, SIZE_T size) const {
    SIZE_T done = 0;
    return offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, &done) &&
           done == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  SIZE_T size_;
};

// The text of the tree's selected item, or nothing when none is selected.
std::wstring SelectedText(HWND tree, const RemoteMemory& memory, DWORD deadline) {
  LRESULT item = 0;
  if (!Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, deadline, &item) || item == 0) return {};
  wchar_t text[kTextChars + 1] = {};
  TVITEMW query = {};
  query.mask = TVIF_TEXT | TVIF_HANDLE;
  query.hItem = reinterpret_cast<HTREEITEM>(item);
  query.pszText = reinterpret_cast<wchar_t*>(memory.at(sizeof query));
  query.cchTextMax = kTextChars;
  LRESULT got = FALSE;
  if (!memory.Write(0, &query, sizeof query) ||
      !Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory.at(0)), deadline, &got) ||
      !got || !memory.Read(sizeof query, text, kTextChars * sizeof(wchar_t))) {
    return {};
  }
  return text;
}

// Whether the tree's label is the one Wine gives path: its last part, or for
// a drive root "label (X:)".
bool ShowsPath(const std::wstring& selected, const std::wstring& path) {
  std::wstring trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == L'\\') trimmed.pop_back();
  if (trimmed.size() == 2 && trimmed[1] == L':') {
    return selected.find(L"(" + trimmed + L")") != std::wstring::npos;
  }
  return selected == trimmed.substr(trimmed.find_last_of(L'\\') + 1);
}

int Pick(const Options& options) {
  const DWORD deadline = GetTickCount() + options.timeoutMilliseconds;
  Search search = {&options.title, deadline, nullptr, nullptr};
  const bool found = WaitFor(deadline, [&] {
    search.dialog = nullptr;
    search.tree = nullptr;
    EnumWindows(IsBrowseDialog, reinterpret_cast<LPARAM>(&search));
    return search.tree != nullptr;
  });
  if (!found) {
    Fail(L"no browse dialog appeared; title ", L"\"" + options.title + L"\"");
    return 1;
  }
  const HWND dialog = search.dialog;
  const HWND tree = search.tree;

  if (!options.cancel) {
    // The dialog's process gets the item query and its text first, the path after them.
    const SIZE_T pathAt = sizeof(TVITEMW) + (kTextChars + 1) * sizeof(wchar_t);
    const SIZE_T pathBytes = (options.path.size() + 1) * sizeof(wchar_t);
    RemoteMemory memory(dialog, pathAt + pathBytes);
    if (!memory.ok() || !memory.Write(pathAt, options.path.c_str(), pathBytes)) {
      Fail(L"cannot reach the dialog's process");
      return 1;
    }
    // Sent again until it holds: Wine's tree walk towards the path gives up
    // silently when a folder on the way changes while it is listed.
    std::wstring selected;
    const bool selectedPath = WaitFor(deadline, [&] {
      Send(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(memory.at(pathAt)), deadline);
      selected = SelectedText(tree, memory, deadline);
      return ShowsPath(selected, options.path);
    });
    if (!selectedPath) {
      Fail(L"the dialog did not select ", options.path + L"; selected: \"" + selected + L"\"");
      return 1;
    }
  }
  const WPARAM button = MAKEWPARAM(options.cancel ? IDCANCEL : IDOK, BN_CLICKED);
  if (!Send(dialog, WM_COMMAND, button, 0, deadline) ||
      !WaitFor(deadline, [&] { return !IsWindow(dialog); })) {
    Fail(L"the dialog stayed open");
    return 1;
  }
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Options options;
  if (argv == nullptr || !ParseOptions(argc, argv, options)) {
    Fail(
        L"usage: pick_dialog.exe [--title TEXT] (--choose WINPATH | --cancel) "
        L"[--timeout SECONDS]");
    return 2;
  }
  LocalFree(argv);
  return Pick(options);
}
