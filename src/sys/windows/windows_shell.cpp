#include "sys/windows/windows_shell.h"

#include <windows.h>

#include <shellapi.h>  // after <windows.h>, which it needs

#include "sys/text.h"

namespace tarvolin::sys {

namespace {

// ShellExecuteW gives a value above 32 on success.
std::string Outcome(HINSTANCE result, const std::string& target) {
  const auto code = reinterpret_cast<INT_PTR>(result);
  return code > 32 ? std::string()
                   : target + " could not be opened (error " + std::to_string(code) + ").";
}

}  // namespace

std::string WindowsShell::Open(const std::string& target, const std::string& folder) {
  return Outcome(::ShellExecuteW(nullptr, L"Open", ToWide(target).c_str(), nullptr,
                                 folder.empty() ? nullptr : ToWide(folder).c_str(), SW_SHOWNORMAL),
                 target);
}

std::string WindowsShell::Start(const std::string& program,
                                const std::vector<std::string>& arguments,
                                const std::string& folder) {
  std::string parameters;
  for (const std::string& argument : arguments) {
    parameters += parameters.empty() ? "" : " ";
    parameters +=
        argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
  }
  return Outcome(
      ::ShellExecuteW(nullptr, L"Open", ToWide(program).c_str(), ToWide(parameters).c_str(),
                      folder.empty() ? nullptr : ToWide(folder).c_str(), SW_SHOWNORMAL),
      program);
}

}  // namespace tarvolin::sys
