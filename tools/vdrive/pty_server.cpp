#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "drive_database.h"

namespace vdrive {

namespace {

namespace df = drive_facts;
using std::chrono::microseconds;
using std::chrono::milliseconds;
constexpr auto kSamplePeriod = milliseconds(df::kScopeSamplePeriodMs);
// Unpaced, a partial request that sees no further byte for this long is finished or dropped: a
// pseudo-terminal delivers bursts, not characters. Paced, an RTU frame ends after 3.5 silent
// characters (1.75 ms above 19200 baud); ASCII frames end with their line feed.
constexpr auto kUnpacedFrameGap = milliseconds(15);
constexpr auto kFastLineFrameGap = microseconds(1750);
// A drive's turnaround: from the last bit of a request to the first bit of its reply, the time
// the drive takes to work on it (an RTU reply also waits out the 3.5-character silence).
constexpr auto kTurnaround = milliseconds(3);
// Paced bytes leave in small timed chunks: no more than one write to the pty per millisecond.
constexpr auto kSendChunk = milliseconds(1);

}  // namespace

PtyServer::PtyServer(VirtualDrive& drive, ServerOptions options)
    : drive_(drive),
      options_(std::move(options)),
      assembler_(options_.framing),
      control_(options_.controlOnStdin, options_.controlSocket) {
  StoreCommSettings();
}

// The drive runs the line it was started with: P3.00..P3.02 show it.
void PtyServer::StoreCommSettings() {
  const int baud = BaudPosition(options_.line.baud);
  const int protocol = ProtocolPosition(options_.framing, options_.line);
  drive_.Poke(df::kNodeAddressAddress - 1, static_cast<uint16_t>(options_.node));
  if (baud >= 0) drive_.Poke(df::kBaudRateAddress - 1, static_cast<uint16_t>(baud));
  if (protocol >= 0) drive_.Poke(df::kProtocolAddress - 1, static_cast<uint16_t>(protocol));
}

// At power-up the drive takes the node address, baud rate and protocol it holds; a value that
// is no valid setting leaves the line as it was.
void PtyServer::ApplyStoredCommSettings() {
  uint16_t node = 0, baud = 0, protocol = 0;
  drive_.Peek(df::kNodeAddressAddress - 1, node);
  drive_.Peek(df::kBaudRateAddress - 1, baud);
  drive_.Peek(df::kProtocolAddress - 1, protocol);
  if (node >= 1 && node <= 247) options_.node = node;
  if (baud < 6) options_.line.baud = df::kBaudRates[baud];
  Framing framing;
  LineSettings line = options_.line;
  if (ProtocolOfPosition(protocol, framing, line)) {
    options_.framing = framing;
    options_.line = line;
    assembler_ = RequestAssembler(framing);
  }
  Log("power on: node %d, %s %s", options_.node, options_.framing == Framing::Rtu ? "RTU" : "ASCII",
      LineSettingsText(options_.line).c_str());
}

PtyServer::~PtyServer() {
  for (int fd : {master_, slave_, wake_[0], wake_[1]})
    if (fd >= 0) close(fd);
}

bool PtyServer::Open(std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  const char* name = ptsname(master_);
  devicePath_ = name ? name : "";
  slave_ = open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave_ < 0 || !ApplyRawLine(slave_, options_.line)) {
    error = "cannot set up " + devicePath_ + ": " + std::strerror(errno);
    return false;
  }
  if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return false;
  }
  return control_.Open(error);
}

void PtyServer::RequestStop() {
  const char byte = 'q';
  if (write(wake_[1], &byte, 1) < 0) {
  }
}

void PtyServer::PowerCycle(int offMs) {
  poweredOff_ = true;
  poweredOffUntil_ = Clock::now() + milliseconds(offMs);
  received_.Clear();
  sending_.Clear();
  assembler_.Clear();
  Log("power off for %d ms", offMs);
}

void PtyServer::Log(const char* format, ...) const {
  if (!options_.verbose) return;
  va_list args;
  va_start(args, format);
  VLogLine(format, args);
  va_end(args);
}

void PtyServer::RunSampleClock(Clock::time_point now) {
  const long long due = (now - clockStart_) / kSamplePeriod;
  for (; samplesTaken_ < due; ++samplesTaken_) drive_.SampleTick();
}

void PtyServer::ReadRequests(Clock::time_point now) {
  uint8_t buffer[512];
  for (;;) {
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return;
    if (poweredOff_) continue;
    received_.Queue(buffer, static_cast<size_t>(n), now, ReceiveCharacterTime());
    Collide();
  }
}

// Half duplex: a request whose bytes are on the line while the drive sends is lost to the
// drive from the first byte that met the reply on, and the master reads the reply mixed with
// it. Unpaced bytes take no line time, so they never meet.
void PtyServer::Collide() {
  if (!options_.halfDuplex) return;
  const auto met = sending_.MixWith(received_);
  if (!met) return;
  received_.LoseFrom(*met);
  Log("collision: a request came in while the drive was sending");
}

void PtyServer::TakeArrivedBytes(Clock::time_point now) {
  bool tookLost = false;
  const Bytes arrived = received_.TakeDone(now, &lastByte_, &tookLost);
  // What the drive held of a frame before a collision cannot end in a good frame: drop it.
  if (tookLost) assembler_.Clear();
  if (!arrived.empty()) assembler_.Feed(arrived.data(), arrived.size());
}

bool PtyServer::ClientLineMatches() const {
  ClientLine client;
  if (!ReadClientLine(master_, client)) return false;
  if (ClientMatches(client, options_.line)) return true;
  Log("request ignored: client line %d baud, %d stop bits%s", client.baud, client.stopBits,
      client.oddParity ? ", odd parity" : "");
  return false;
}

// The client's characters: its baud rate and stop bits; odd parity shows, and one stop bit
// without it means even parity in the drive's framings. Data bits do not show on a
// pseudo-terminal: RTU has 8, ASCII is taken to use the drive's own.
PtyServer::Clock::duration PtyServer::ReceiveCharacterTime() const {
  if (!options_.pacing) return Clock::duration::zero();
  ClientLine client;
  if (!ReadClientLine(master_, client) || client.baud <= 0) return SendCharacterTime();
  const int dataBits = options_.framing == Framing::Rtu ? 8 : options_.line.dataBits;
  return CharacterTime(client.baud, dataBits, client.oddParity || client.stopBits == 1,
                       client.stopBits);
}

PtyServer::Clock::duration PtyServer::SendCharacterTime() const {
  return options_.pacing ? CharacterTime(options_.line) : Clock::duration::zero();
}

PtyServer::Clock::duration PtyServer::FrameGap() const {
  if (!options_.pacing || options_.framing == Framing::Ascii) return kUnpacedFrameGap;
  if (options_.line.baud > 19200) return kFastLineFrameGap;
  return SendCharacterTime() * 7 / 2;
}

// Paced: the drive's working time, and for RTU at least the silence that ends the request.
// The response delay P3.07 comes on top, paced or not.
PtyServer::Clock::duration PtyServer::Turnaround() const {
  uint16_t delay = 0;
  drive_.Peek(df::kResponseDelayAddress - 1, delay);
  const Clock::duration responseDelay =
      milliseconds(std::max<int16_t>(0, static_cast<int16_t>(delay)));
  if (!options_.pacing) return responseDelay;
  const Clock::duration silence =
      options_.framing == Framing::Rtu ? FrameGap() : Clock::duration::zero();
  return std::max<Clock::duration>(kTurnaround, silence) + responseDelay;
}

void PtyServer::AnswerRequests(Clock::time_point now) {
  const bool lineSilent =
      assembler_.Pending() > 0 && received_.Empty() && now - lastByte_ >= FrameGap();
  Request request;
  while (assembler_.Next(request, lineSilent)) Answer(request);
}

void PtyServer::Send(const Bytes& bytes, Clock::time_point start) {
  sending_.Queue(bytes.data(), bytes.size(), start, SendCharacterTime());
  Collide();
}

void PtyServer::Answer(const Request& request) {
  const bool broadcast = request.node == 0;
  if (!broadcast && request.node != options_.node) return;
  if (options_.checkLine && !ClientLineMatches()) return;
  const uint8_t function = request.pdu[0];
  const ReplyFault fault = broadcast ? ReplyFault{} : faults_.TakeNext();
  if (fault.kind == ReplyFault::kNoReply) {  // lost on the line: the drive never had it
    Log("function %u lost on the line", function);
    return;
  }
  drive_.NoteValidRequest();
  if (broadcast) {  // writes are carried out, nothing is answered
    if (function == 6 || function == 16) HandlePdu(request.pdu, drive_);
    return;
  }
  const Bytes pdu = fault.kind == ReplyFault::kException
                        ? ExceptionPdu(function, static_cast<uint8_t>(fault.code))
                        : HandlePdu(request.pdu, drive_);
  Log("function %u -> %s%s", function, (pdu[0] & 0x80) ? "exception " : "reply",
      fault.kind == ReplyFault::kNone ? "" : KindName(fault.kind));
  if (fault.kind == ReplyFault::kReplyLost) return;
  Bytes frame = EncodeFrame(options_.framing, request.node, pdu);
  const Clock::time_point start = lastByte_ + Turnaround();
  switch (fault.kind) {
    case ReplyFault::kBadChecksum:
      CorruptChecksum(options_.framing, frame);
      break;
    case ReplyFault::kJunk:
      frame.insert(frame.begin(), fault.junk.begin(), fault.junk.end());
      break;
    case ReplyFault::kSlow:
      Send(frame, start + milliseconds(fault.milliseconds));
      return;
    case ReplyFault::kSplit: {
      const auto half = frame.begin() + static_cast<long>(frame.size() / 2);
      Send(Bytes(frame.begin(), half), start);
      Send(Bytes(half, frame.end()), sending_.FreeAt() + milliseconds(fault.milliseconds));
      return;
    }
    default:
      break;
  }
  Send(frame, start);
}

void PtyServer::SendDue(Clock::time_point now) {
  if (sending_.Empty() || sending_.NextDone() > now) return;
  if (options_.pacing && now < lastSendWrite_ + kSendChunk) return;
  const Bytes due = sending_.TakeDone(now);
  WriteAll(master_, due.data(), due.size());
  lastSendWrite_ = now;
}

PtyServer::Clock::time_point PtyServer::NextDeadline(Clock::time_point now) const {
  Clock::time_point deadline = now + std::chrono::seconds(1);
  if (poweredOff_)
    deadline = std::min(deadline, poweredOffUntil_);
  else
    deadline = std::min<Clock::time_point>(
        deadline, clockStart_ + std::chrono::duration_cast<Clock::duration>((samplesTaken_ + 1) *
                                                                            kSamplePeriod));
  if (!sending_.Empty()) {
    const Clock::time_point next = sending_.NextDone();
    deadline =
        std::min(deadline, options_.pacing ? std::max(next, lastSendWrite_ + kSendChunk) : next);
  }
  if (!received_.Empty()) deadline = std::min(deadline, received_.NextDone());
  // Wake once when a partial frame's gap runs out; an ASCII fragment then waits for bytes.
  const Clock::time_point gapEnds = lastByte_ + FrameGap();
  if (assembler_.Pending() > 0 && gapEnds > now) deadline = std::min(deadline, gapEnds);
  return deadline;
}

void PtyServer::Run() {
  clockStart_ = Clock::now();
  while (!quit_) {
    Clock::time_point now = Clock::now();
    if (poweredOff_ && now >= poweredOffUntil_) {
      poweredOff_ = false;
      drive_.PowerOn(true);
      ApplyStoredCommSettings();
      clockStart_ = now;
      samplesTaken_ = 0;
      Log("power on");
    }
    if (!poweredOff_) {
      RunSampleClock(now);
      TakeArrivedBytes(now);
      AnswerRequests(now);
    }
    SendDue(now);

    std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {master_, POLLIN, 0}};
    control_.AddTo(fds);
    if (!PollFor(fds, NextDeadline(now) - now)) continue;

    now = Clock::now();
    if (fds[0].revents & POLLIN) quit_ = true;
    if (fds[1].revents & POLLIN) ReadRequests(now);
    if (!control_.Serve(fds, *this)) quit_ = true;  // stdin EOF ends the drive
  }
}

}  // namespace vdrive
