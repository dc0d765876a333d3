// tarvolin.exe: the bar on Windows. One bar per user session: a second
// start hands its request to the running bar and ends.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/command_line.h"
#include "online/winhttp_client.h"
#include "sys/environment.h"
#include "sys/windows/windows_applications.h"
#include "sys/windows/windows_filesystem.h"
#include "sys/windows/windows_profile.h"
#include "sys/windows/windows_shell.h"
#include "win32/bar_window.h"
#include "win32/wide.h"

namespace {

// Text for the console the program was started from, if any.
void Print(FILE* stream, const std::string& text) {
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stream);
  }
  std::fputs(text.c_str(), stream);
  std::fflush(stream);
}

// Each window knows its own screen's dots per inch (Windows 10); earlier
// systems scale to the primary screen.
void BeDpiAware() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const auto setContext = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32"), "SetProcessDpiAwarenessContext")));
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (setContext == nullptr || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) {
    ::SetProcessDPIAware();
  }
}

// Hands the request to the running bar, waiting a few seconds for one that
// is still starting to make its window. False when none answered.
bool SendToRunningBar(const std::string& request) {
  for (int attempt = 0; attempt < 60; ++attempt) {
    if (HWND bar = ::FindWindowW(tarvolin::win32::kBarClass, nullptr)) {
      DWORD process = 0;
      ::GetWindowThreadProcessId(bar, &process);
      // The bar may then take the foreground from whatever has it.
      ::AllowSetForegroundWindow(process);
      COPYDATASTRUCT data{tarvolin::win32::kRequestData, static_cast<DWORD>(request.size()),
                          const_cast<char*>(request.data())};
      // One try: a bar that refuses or does not answer in time will not
      // do better the next time.
      DWORD_PTR answer = 0;
      return ::SendMessageTimeoutW(bar, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                   SMTO_ABORTIFHUNG, 5000, &answer) != 0 &&
             answer == TRUE;
    }
    ::Sleep(50);
  }
  return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(tarvolin::win32::Utf8(argv[i]));
  }
  ::LocalFree(argv);
  const tarvolin::CommandLine command =
      tarvolin::ParseCommandLine(arguments, tarvolin::Platform::kWindows);
  switch (command.action) {
    case tarvolin::CommandLine::Action::kHelp:
      Print(stdout, tarvolin::UsageText(tarvolin::Platform::kWindows));
      return 0;
    case tarvolin::CommandLine::Action::kVersion:
      Print(stdout, tarvolin::VersionText());
      return 0;
    case tarvolin::CommandLine::Action::kRun:
      break;
    default:
      Print(stderr, command.error);
      return 2;
  }
  const std::string& request = command.request;

  // One bar per user session: the mutex lives as long as this process.
  // Held by a process that shows no bar that answers (any process of the
  // session can take the name), this bar runs unguarded rather than not
  // at all, and says so.
  ::CreateMutexW(nullptr, FALSE, L"Local\\Tarvolin.CommandBar");
  const bool unguarded = ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (unguarded && SendToRunningBar(request)) {
    return 0;
  }

  BeDpiAware();
  // ShellExecute may hand a target (a shortcut above all) to shell
  // extensions, which want COM on the calling thread.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);

  tarvolin::sys::WindowsFileSystem files(tarvolin::sys::WindowsFileSystem::ExecutableFolder());
  tarvolin::sys::WindowsProfileStore profile;
  tarvolin::sys::WindowsShell shell;
  const std::string programFolder = files.ProgramFolder();
  const auto [settingsFolder, workFolder] = tarvolin::sys::ChooseFolders(programFolder);
  // The process stays in the folder commands start in, where nothing but
  // the file dialog would show it.
  ::SetCurrentDirectoryW(tarvolin::win32::Wide(workFolder).c_str());

  // The HTTP client is made at the first online tick, on this thread, whose
  // message loop below brings its answers.
  // The Start menu's shortcuts are read at the first line that needs them.
  const auto applications = tarvolin::sys::MakeStartMenuApplications();
  tarvolin::bar::System system{
      files, profile, shell, settingsFolder, workFolder, programFolder, [] {
        return std::make_unique<tarvolin::WinHttpClient>();
      }};
  system.applications = applications.get();
  system.calculate = tarvolin::bar::Calculate;
  system.launcherReaches = !unguarded;
  tarvolin::win32::BarWindow bar(instance, std::move(system));
  bar.Start();
  if (unguarded) {
    constexpr char kUnguarded[] =
        "Another program holds Tarvolin's name but shows no bar that answers. This bar runs "
        "unguarded: starting Tarvolin again cannot bring it to the front, and may start a "
        "second bar.";
    Print(stderr, std::string("tarvolin: ") + kUnguarded + "\n");
    ::MessageBoxW(bar.BarHandle(), tarvolin::win32::Wide(kUnguarded).c_str(), L"Tarvolin", MB_OK);
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!bar.DialogMessage(message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return 0;
}
