// Network endpoints a COM entry of the port map can name instead of a serial device:
// "tcp://HOST:PORT" (the serial framing, RTU or ASCII, carried unchanged over a TCP connection,
// as a serial device server does) and "mbtcp://HOST:PORT" (Modbus TCP: an MBAP header instead
// of the node address and the checksum, as a Modbus gateway takes it). Plain text handling,
// shared by the component, the host library and the tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace portwright {

struct NetworkEndpoint {
  enum class Kind { RtuOverTcp, ModbusTcp };
  Kind kind = Kind::RtuOverTcp;
  std::string host;  // a name, an IPv4 address or an IPv6 address (without the brackets)
  uint16_t port = 0;
};

// True when the text names a network endpoint at all (its scheme is tcp:// or mbtcp://, any
// case), well formed or not: such a text is never a device path.
bool IsNetworkTarget(const std::string& text);
// The endpoint of "tcp://HOST:PORT" or "mbtcp://HOST:PORT" (HOST a name, an IPv4 address or
// [IPv6], PORT 1..65535); nothing when the text is not one.
std::optional<NetworkEndpoint> ParseEndpoint(const std::string& text);
// "tcp://127.0.0.1:4001", "mbtcp://[::1]:502".
std::string EndpointUrl(const NetworkEndpoint& endpoint);
// "127.0.0.1:4001", "[::1]:502": how messages name the other end.
std::string EndpointAddress(const NetworkEndpoint& endpoint);
// "RTU over TCP" or "Modbus TCP".
const char* EndpointKindName(NetworkEndpoint::Kind kind);

}  // namespace portwright
