#include "core/request.h"

#include <algorithm>
#include <utility>

namespace tarvolin {

namespace {

bool IsPlainToken(std::string_view token) {
  return !token.empty() && token.size() <= kMaxTokenBytes &&
         std::all_of(token.begin(), token.end(), [](char c) {
           return c > ' ' && c < 0x7f && c != '"' && c != '\'' && c != '\\';
         });
}

}  // namespace

std::string FormatRequest(const Request& request) {
  std::string line = request.verb;
  if (IsPlainToken(request.activationToken)) {
    line += " xdg=" + request.activationToken;
  }
  if (IsPlainToken(request.startupId)) {
    line += " startup=" + request.startupId;
  }
  return line;
}

std::optional<Request> ParseRequest(std::string_view line) {
  Request request;
  std::size_t end = line.find(' ');
  request.verb = line.substr(0, end);
  if (request.verb != "show" && request.verb != "toggle") {
    return std::nullopt;
  }
  // Each field at most once, in this order.
  const std::pair<std::string_view, std::string*> fields[] = {{"xdg=", &request.activationToken},
                                                              {"startup=", &request.startupId}};
  for (const auto& [name, field] : fields) {
    if (end == std::string_view::npos) {
      break;
    }
    const std::string_view rest = line.substr(end + 1);
    if (rest.substr(0, name.size()) != name) {
      continue;
    }
    const std::size_t next = rest.find(' ');
    const std::string_view token = rest.substr(name.size(), next - name.size());
    if (!IsPlainToken(token)) {
      return std::nullopt;
    }
    *field = token;
    end = next == std::string_view::npos ? next : end + 1 + next;
  }
  if (end != std::string_view::npos) {
    return std::nullopt;
  }
  return request;
}

}  // namespace tarvolin
