#include "net_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "drive_database.h"
#include "line_settings.h"

namespace vdrive {

namespace {

namespace df = drive_facts;
using std::chrono::milliseconds;
constexpr auto kSamplePeriod = milliseconds(df::kScopeSamplePeriodMs);
// A partial RTU frame that sees no further byte for this long is finished or dropped.
constexpr auto kFrameGap = milliseconds(15);
constexpr auto kTurnaround = milliseconds(3);
constexpr size_t kMbapHeader = 7;
constexpr size_t kMaxConnections = 16;

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

bool ParseInt(const std::string& text, long low, long high, int& value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 6)
    return false;
  const long parsed = std::stol(text);
  if (parsed < low || parsed > high) return false;
  value = static_cast<int>(parsed);
  return true;
}

// The RTU frame of a PDU for node: what the serial bus behind a Modbus gateway carries.
size_t RtuLength(const Bytes& pdu) { return pdu.size() + 3; }

}  // namespace

bool ParseListenText(const std::string& text, ListenOptions& listen, std::string& error) {
  const size_t first = text.find(':');
  const size_t last = text.rfind(':');
  error = "--listen is tcp:127.0.0.1:PORT or mbtcp:127.0.0.1:PORT";
  if (first == std::string::npos || first == last) return false;
  const std::string kind = text.substr(0, first);
  if (kind != "tcp" && kind != "mbtcp") return false;
  listen.modbusTcp = kind == "mbtcp";
  listen.address = text.substr(first + 1, last - first - 1);
  if (listen.address == "localhost") listen.address = "127.0.0.1";
  in_addr address{};
  if (inet_pton(AF_INET, listen.address.c_str(), &address) != 1) return false;
  if ((ntohl(address.s_addr) >> 24) != 127) {
    error = "the virtual drive listens on the loopback interface only (127.x.x.x), not on " +
            listen.address;
    return false;
  }
  if (!ParseInt(text.substr(last + 1), 0, 65535, listen.port)) return false;
  error.clear();
  return true;
}

bool ParseNodeList(const std::string& text, std::vector<int>& nodes) {
  nodes.clear();
  size_t from = 0;
  while (from <= text.size()) {
    const size_t comma = std::min(text.find(',', from), text.size());
    const std::string part = text.substr(from, comma - from);
    const size_t dash = part.find('-');
    int low = 0, high = 0;
    if (!ParseInt(part.substr(0, dash), 1, 247, low)) return false;
    high = low;
    if (dash != std::string::npos && !ParseInt(part.substr(dash + 1), low, 247, high)) return false;
    for (int node = low; node <= high; ++node)
      if (std::find(nodes.begin(), nodes.end(), node) == nodes.end()) nodes.push_back(node);
    from = comma + 1;
  }
  return !nodes.empty();
}

NetServer::NetServer(const DriveConfig& config, ServerOptions options, ListenOptions listen)
    : options_(std::move(options)),
      listen_(std::move(listen)),
      control_(options_.controlOnStdin, options_.controlSocket) {
  const int baud = BaudPosition(options_.line.baud);
  const int protocol = ProtocolPosition(options_.framing, options_.line);
  for (int address : listen_.nodes) {
    Node node{address, std::make_unique<VirtualDrive>(config), {}};
    // Each drive shows the line it runs on the bus behind the listener.
    node.drive->Poke(df::kNodeAddressAddress - 1, static_cast<uint16_t>(address));
    if (baud >= 0) node.drive->Poke(df::kBaudRateAddress - 1, static_cast<uint16_t>(baud));
    if (protocol >= 0) node.drive->Poke(df::kProtocolAddress - 1, static_cast<uint16_t>(protocol));
    nodes_.push_back(std::move(node));
  }
}

NetServer::~NetServer() {
  for (const Connection& connection : connections_) close(connection.fd);
  for (int fd : {listenFd_, wake_[0], wake_[1]})
    if (fd >= 0) close(fd);
}

bool NetServer::Open(std::string& error) {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int on = 1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(listen_.port));
  inet_pton(AF_INET, listen_.address.c_str(), &address.sin_addr);
  if (listenFd_ < 0 || setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listenFd_, 8) != 0) {
    error = "cannot listen on " + listen_.address + ":" + std::to_string(listen_.port) + ": " +
            std::strerror(errno);
    return false;
  }
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  listen_.port = ntohs(address.sin_port);
  if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return false;
  }
  return control_.Open(error);
}

std::string NetServer::Endpoint() const {
  return std::string(listen_.modbusTcp ? "mbtcp://" : "tcp://") + listen_.address + ":" +
         std::to_string(listen_.port);
}

void NetServer::RequestStop() {
  const char byte = 'q';
  if (write(wake_[1], &byte, 1) < 0) {
  }
}

std::string NetServer::SelectNode(int node) {
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].address != node) continue;
    selected_ = i;
    return "OK node " + std::to_string(node);
  }
  return "ERR no drive at node " + std::to_string(node) + " behind this listener";
}

void NetServer::PowerCycle(int offMs) {
  Node& node = nodes_[selected_];
  node.poweredOff = true;
  node.poweredOffUntil = Clock::now() + milliseconds(offMs);
  Log("node %d: power off for %d ms", node.address, offMs);
}

void NetServer::Log(const char* format, ...) const {
  if (!options_.verbose) return;
  va_list args;
  va_start(args, format);
  VLogLine(format, args);
  va_end(args);
}

NetServer::Node* NetServer::NodeAt(int address) {
  for (Node& node : nodes_)
    if (node.address == address) return &node;
  return nullptr;
}

void NetServer::Accept() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (connections_.size() >= kMaxConnections) {
      close(fd);
      continue;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connections_.push_back({nextConnection_++, fd, {}, RequestAssembler(options_.framing), {}});
    Log("connection %d accepted", connections_.back().id);
  }
}

void NetServer::ReadFrom(Connection& connection, Clock::time_point now) {
  uint8_t buffer[1024];
  for (;;) {
    const ssize_t n = read(connection.fd, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      Log("connection %d closed by the client", connection.id);
      close(connection.fd);
      connection.fd = -1;
      return;
    }
    if (n < 0) break;
    connection.lastByte = now;
    if (listen_.modbusTcp)
      connection.modbusTcp.insert(connection.modbusTcp.end(), buffer, buffer + n);
    else
      connection.assembler.Feed(buffer, static_cast<size_t>(n));
  }
  if (listen_.modbusTcp)
    TakeModbusTcpFrames(connection, now);
  else
    TakeSerialFrames(connection, now);
}

void NetServer::TakeModbusTcpFrames(Connection& connection, Clock::time_point now) {
  Bytes& in = connection.modbusTcp;
  while (in.size() >= kMbapHeader) {
    const uint16_t following = Word(in.data() + 4);
    if (Word(in.data() + 2) != 0 || following < 2 || following > 254) {
      Log("connection %d: not a Modbus TCP frame, closing it", connection.id);
      close(connection.fd);
      connection.fd = -1;
      return;
    }
    const size_t length = 6u + following;
    if (in.size() < length) return;
    Request request;
    request.node = in[6];
    request.pdu.assign(in.begin() + kMbapHeader, in.begin() + static_cast<long>(length));
    const uint16_t transactionId = Word(in.data());
    in.erase(in.begin(), in.begin() + static_cast<long>(length));
    Answer(connection, request, transactionId, RtuLength(request.pdu), now);
  }
}

void NetServer::TakeSerialFrames(Connection& connection, Clock::time_point now) {
  const bool silent = connection.assembler.Pending() > 0 && now - connection.lastByte >= kFrameGap;
  Request request;
  while (connection.assembler.Next(request, silent)) {
    const size_t length =
        options_.framing == Framing::Rtu ? RtuLength(request.pdu) : 2 * RtuLength(request.pdu) + 1;
    Answer(connection, request, 0, length, now);
  }
}

Bytes NetServer::Frame(uint8_t node, const Bytes& pdu, uint16_t transactionId) const {
  if (!listen_.modbusTcp) return EncodeFrame(options_.framing, node, pdu);
  const uint16_t following = static_cast<uint16_t>(pdu.size() + 1);
  Bytes frame{static_cast<uint8_t>(transactionId >> 8), static_cast<uint8_t>(transactionId), 0,   0,
              static_cast<uint8_t>(following >> 8),     static_cast<uint8_t>(following),     node};
  frame.insert(frame.end(), pdu.begin(), pdu.end());
  return frame;
}

NetServer::Clock::time_point NetServer::BusDone(Node& node, size_t requestBytes, size_t replyBytes,
                                                Clock::time_point now) {
  uint16_t delay = 0;
  node.drive->Peek(df::kResponseDelayAddress - 1, delay);
  Clock::duration busy = milliseconds(std::max<int16_t>(0, static_cast<int16_t>(delay)));
  if (options_.pacing) {
    const auto character = CharacterTime(options_.line);
    busy += character * static_cast<long>(requestBytes + replyBytes) + kTurnaround;
  }
  busFree_ = std::max(busFree_, now) + busy;
  return busFree_ + milliseconds(listen_.gatewayDelayMs);
}

void NetServer::Answer(Connection& connection, const Request& request, uint16_t transactionId,
                       size_t requestLength, Clock::time_point now) {
  Node* node = NodeAt(request.node);
  const bool broadcast = request.node == 0;
  if (!broadcast && (!node || node->poweredOff)) return;  // nobody answers at that node
  const uint8_t function = request.pdu.empty() ? 0 : request.pdu[0];
  if (broadcast) {  // writes are carried out by every drive, nothing is answered
    for (Node& each : nodes_)
      if (!each.poweredOff && (function == 6 || function == 16))
        HandlePdu(request.pdu, *each.drive);
    return;
  }
  const ReplyFault fault = node->faults.TakeNext();
  if (fault.kind == ReplyFault::kNoReply) return;
  if (fault.kind == ReplyFault::kDrop) {
    Log("node %d: connection %d dropped", node->address, connection.id);
    Queue({connection.id, {}, BusDone(*node, requestLength, 0, now), true});
    return;
  }
  node->drive->NoteValidRequest();
  const Bytes pdu = fault.kind == ReplyFault::kException
                        ? ExceptionPdu(function, static_cast<uint8_t>(fault.code))
                        : HandlePdu(request.pdu, *node->drive);
  Log("node %d: function %u -> %s%s", node->address, function,
      (pdu[0] & 0x80) ? "exception " : "reply",
      fault.kind == ReplyFault::kNone ? "" : KindName(fault.kind));
  if (fault.kind == ReplyFault::kReplyLost) {
    BusDone(*node, requestLength, 0, now);
    return;
  }
  const uint16_t replyId =
      fault.kind == ReplyFault::kWrongTransaction ? transactionId + 1 : transactionId;
  Bytes frame = Frame(request.node, pdu, replyId);
  if (fault.kind == ReplyFault::kBadChecksum) {
    if (listen_.modbusTcp)
      frame[3] = 1;  // no checksum here: a protocol identifier no Modbus TCP frame has
    else
      CorruptChecksum(options_.framing, frame);
  }
  if (fault.kind == ReplyFault::kJunk)
    frame.insert(frame.begin(), fault.junk.begin(), fault.junk.end());
  const size_t replyLength = listen_.modbusTcp ? RtuLength(pdu) : frame.size();
  const int slowMs = fault.kind == ReplyFault::kSlow ? fault.milliseconds : 0;
  const Clock::time_point due =
      BusDone(*node, requestLength, replyLength, now + milliseconds(slowMs));
  if (fault.kind == ReplyFault::kSplit) {
    const auto half = frame.begin() + static_cast<long>(frame.size() / 2);
    Queue({connection.id, Bytes(frame.begin(), half), due});
    Queue({connection.id, Bytes(half, frame.end()), due + milliseconds(fault.milliseconds)});
    busFree_ += milliseconds(fault.milliseconds);
    return;
  }
  Queue({connection.id, std::move(frame), due});
}

void NetServer::Queue(Outgoing outgoing) {
  auto at = std::upper_bound(outgoing_.begin(), outgoing_.end(), outgoing.due,
                             [](Clock::time_point due, const Outgoing& o) { return due < o.due; });
  outgoing_.insert(at, std::move(outgoing));
}

void NetServer::CloseConnection(int id) {
  for (Connection& connection : connections_) {
    if (connection.id != id || connection.fd < 0) continue;
    close(connection.fd);
    connection.fd = -1;
  }
}

void NetServer::SendDue(Clock::time_point now) {
  while (!outgoing_.empty() && outgoing_.front().due <= now) {
    const Outgoing out = std::move(outgoing_.front());
    outgoing_.pop_front();
    if (out.close) {
      CloseConnection(out.connection);
      continue;
    }
    for (const Connection& connection : connections_)
      if (connection.id == out.connection && connection.fd >= 0)
        WriteAll(connection.fd, out.bytes.data(), out.bytes.size());
  }
  std::erase_if(connections_, [](const Connection& c) { return c.fd < 0; });
}

void NetServer::RunClocks(Clock::time_point now) {
  for (Node& node : nodes_) {
    if (node.poweredOff && now >= node.poweredOffUntil) {
      node.poweredOff = false;
      node.drive->PowerOn(true);
      Log("node %d: power on", node.address);
    }
  }
  const long long due = (now - clockStart_) / kSamplePeriod;
  for (; samplesTaken_ < due; ++samplesTaken_)
    for (Node& node : nodes_)
      if (!node.poweredOff) node.drive->SampleTick();
}

NetServer::Clock::time_point NetServer::NextDeadline(Clock::time_point now) const {
  Clock::time_point deadline = clockStart_ + std::chrono::duration_cast<Clock::duration>(
                                                 (samplesTaken_ + 1) * kSamplePeriod);
  deadline = std::min(deadline, now + std::chrono::seconds(1));
  if (!outgoing_.empty()) deadline = std::min(deadline, outgoing_.front().due);
  for (const Node& node : nodes_)
    if (node.poweredOff) deadline = std::min(deadline, node.poweredOffUntil);
  for (const Connection& connection : connections_)
    if (connection.assembler.Pending() > 0)
      deadline = std::min(deadline, std::max(now, connection.lastByte + kFrameGap));
  return deadline;
}

void NetServer::Run() {
  clockStart_ = Clock::now();
  while (!quit_) {
    Clock::time_point now = Clock::now();
    RunClocks(now);
    for (Connection& connection : connections_)
      if (!listen_.modbusTcp && connection.fd >= 0) TakeSerialFrames(connection, now);
    SendDue(now);

    std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const Connection& connection : connections_) fds.push_back({connection.fd, POLLIN, 0});
    const size_t controlAt = fds.size();
    control_.AddTo(fds);
    if (!PollFor(fds, NextDeadline(now) - now)) continue;

    now = Clock::now();
    if (fds[0].revents & POLLIN) quit_ = true;
    for (size_t i = 2; i < controlAt; ++i)
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(connections_[i - 2], now);
    if (fds[1].revents & POLLIN) Accept();
    if (!control_.Serve(fds, *this)) quit_ = true;  // stdin EOF ends the drive
    std::erase_if(connections_, [](const Connection& c) { return c.fd < 0; });
  }
}

}  // namespace vdrive
