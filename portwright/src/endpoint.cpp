#include "portwright/endpoint.h"

#include <algorithm>
#include <cctype>

namespace portwright {

namespace {

constexpr const char* kRtuScheme = "tcp://";
constexpr const char* kModbusTcpScheme = "mbtcp://";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

bool ValidHostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

std::optional<uint16_t> PortNumber(const std::string& text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  if (!std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
    return std::nullopt;
  const long port = std::stol(text);
  if (port < 1 || port > 65535) return std::nullopt;
  return static_cast<uint16_t>(port);
}

}  // namespace

bool IsNetworkTarget(const std::string& text) {
  return StartsWith(text, kRtuScheme) || StartsWith(text, kModbusTcpScheme);
}

std::optional<NetworkEndpoint> ParseEndpoint(const std::string& text) {
  NetworkEndpoint endpoint;
  std::string rest;
  if (StartsWith(text, kModbusTcpScheme)) {
    endpoint.kind = NetworkEndpoint::Kind::ModbusTcp;
    rest = text.substr(std::string(kModbusTcpScheme).size());
  } else if (StartsWith(text, kRtuScheme)) {
    rest = text.substr(std::string(kRtuScheme).size());
  } else {
    return std::nullopt;
  }
  size_t colon;
  if (!rest.empty() && rest.front() == '[') {  // [IPv6]:PORT
    const size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
      return std::nullopt;
    endpoint.host = rest.substr(1, close - 1);
    if (endpoint.host.empty() ||
        endpoint.host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos)
      return std::nullopt;
    colon = close + 1;
  } else {
    colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    endpoint.host = rest.substr(0, colon);
    if (!std::all_of(endpoint.host.begin(), endpoint.host.end(), ValidHostCharacter))
      return std::nullopt;
  }
  const auto port = PortNumber(rest.substr(colon + 1));
  if (!port) return std::nullopt;
  endpoint.port = *port;
  return endpoint;
}

std::string EndpointAddress(const NetworkEndpoint& endpoint) {
  const bool ipv6 = endpoint.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
}

std::string EndpointUrl(const NetworkEndpoint& endpoint) {
  const char* scheme =
      endpoint.kind == NetworkEndpoint::Kind::ModbusTcp ? kModbusTcpScheme : kRtuScheme;
  return scheme + EndpointAddress(endpoint);
}

const char* EndpointKindName(NetworkEndpoint::Kind kind) {
  return kind == NetworkEndpoint::Kind::ModbusTcp ? "Modbus TCP" : "RTU over TCP";
}

}  // namespace portwright
