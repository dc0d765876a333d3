#include "core/command_line.h"

#include <string_view>

#include "core/key_names.h"
#include "core/version.h"

namespace tarvolin {

namespace {

// Qt's options that take the next argument as their value, and those that
// stand alone.
constexpr std::string_view kQtValueOptions[] = {"platform",
                                                "platformpluginpath",
                                                "platformtheme",
                                                "plugin",
                                                "qwindowgeometry",
                                                "qwindowicon",
                                                "qwindowtitle",
                                                "display",
                                                "geometry",
                                                "title",
                                                "name",
                                                "style",
                                                "stylesheet",
                                                "session"};
constexpr std::string_view kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

template <std::size_t N>
bool OneOf(std::string_view name, const std::string_view (&names)[N]) {
  for (const std::string_view candidate : names) {
    if (name == candidate) {
      return true;
    }
  }
  return false;
}

CommandLine Refused(const std::string& why) {
  CommandLine line;
  line.action = CommandLine::Action::kRefuse;
  line.error = "tarvolin: " + why + "\nTry 'tarvolin --help'.\n";
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, Platform platform) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--help" || argument == "-h" || argument == "/?") {
      line.action = CommandLine::Action::kHelp;
      return line;
    }
    if (argument == "--version") {
      line.action = CommandLine::Action::kVersion;
      return line;
    }
    if (argument == "--show" || argument == "--toggle") {
      line.request = argument.substr(2);
      continue;
    }
    const bool bind = argument == "--bind-key" || argument.starts_with("--bind-key=");
    if (bind || argument == "--unbind-key") {
      if (platform == Platform::kWindows) {
        return Refused(std::string(argument.substr(0, argument.find('='))) +
                       " is for Linux desktops; on Windows the bar takes its key itself "
                       "(Hotkey in tv.ini)");
      }
      line.action = bind ? CommandLine::Action::kBindKey : CommandLine::Action::kUnbindKey;
      if (bind) {
        line.key = argument.size() > 10 ? std::string(argument.substr(11)) : kDefaultHotkey;
      }
      return line;
    }
    if (argument.size() < 2 || argument[0] != '-') {
      return Refused("unexpected argument '" + arguments[i] + "'");
    }
    std::string_view name = argument.substr(argument[1] == '-' ? 2 : 1);
    const bool withValue = name.find('=') != std::string_view::npos;
    name = name.substr(0, name.find('='));
    if (platform == Platform::kLinux &&
        (OneOf(name, kQtFlags) || (withValue && OneOf(name, kQtValueOptions)))) {
      line.passed.push_back(arguments[i]);
    } else if (platform == Platform::kLinux && OneOf(name, kQtValueOptions) &&
               i + 1 < arguments.size()) {
      line.passed.push_back(arguments[i]);
      line.passed.push_back(arguments[++i]);
    } else {
      return Refused("unknown option '" + arguments[i] + "'");
    }
  }
  return line;
}

std::string UsageText(Platform platform) {
  std::string text =
      "Usage: tarvolin [--show | --toggle]\n"
      "A one-line command bar in a corner of the screen.\n"
      "\n"
      "  --show      bring the running bar to the front (the default)\n"
      "  --toggle    hide the running bar, or bring it to the front\n";
  if (platform == Platform::kLinux) {
    text +=
        "  --bind-key[=KEY]  on GNOME, make KEY (Ctrl+Alt+Space) run tarvolin --toggle\n"
        "  --unbind-key      take that shortcut back\n";
  }
  text +=
      "  --help      show this text and exit\n"
      "  --version   show the version and exit\n"
      "\n"
      "Without a running bar, each of these starts one.";
  if (platform == Platform::kLinux) {
    return text +
           " Qt's own options, such\n"
           "as -platform or -display, are passed on.\n"
           "Settings and quickcommands (tv.ini, files.cfg) live beside the program\n"
           "when its folder is writable, else in $XDG_CONFIG_HOME/tarvolin.\n";
  }
  return text +
         "\n"
         "Settings and quickcommands (tv.ini, files.cfg) live beside the program\n"
         "when its folder is writable, else in %APPDATA%\\Tarvolin.\n";
}

std::string VersionText() {
  return "tarvolin " + std::to_string(kProgramVersion.Major) + "." +
         std::to_string(kProgramVersion.Minor) + "." + std::to_string(kProgramVersion.Revision) +
         "\n";
}

}  // namespace tarvolin
