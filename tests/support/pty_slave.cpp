#include "pty_slave.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace pwtest {

namespace {

using Clock = std::chrono::steady_clock;
// A partial request that sees no further byte for this long is taken as it stands (junk).
constexpr auto kRequestGap = std::chrono::milliseconds(30);

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Raw mode on the slave side so nothing is echoed back before the code under test opens it.
void MakeRaw(int fd) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return;
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB);
  tio.c_cflag |= CS8;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ioctl(fd, TCSETS2, &tio);
}

Bytes Word(uint16_t value) {
  return {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

}  // namespace

uint16_t ReferenceCrc16(const Bytes& message) {
  uint16_t crc = 0xFFFF;
  for (uint8_t byte : message) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

uint8_t ReferenceLrc(const Bytes& message) {
  unsigned sum = 0;
  for (uint8_t byte : message) sum += byte;
  return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

Bytes RtuFrame(const Bytes& message) {
  Bytes frame = message;
  const uint16_t crc = ReferenceCrc16(message);
  frame.push_back(static_cast<uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  return frame;
}

Bytes AsciiFrame(const Bytes& message) {
  std::string text = ":";
  char pair[3];
  for (uint8_t byte : message) {
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += pair;
  }
  std::snprintf(pair, sizeof pair, "%02X", ReferenceLrc(message));
  text += pair;
  text += "\r\n";
  return TextBytes(text);
}

Bytes Frame(Framing framing, const Bytes& message) {
  return framing == Framing::Rtu ? RtuFrame(message) : AsciiFrame(message);
}

Bytes MessageOf(Framing framing, const Bytes& frame) {
  if (framing == Framing::Rtu) {
    if (frame.size() < 4) return {};
    return Bytes(frame.begin(), frame.end() - 2);
  }
  if (frame.size() < 5 || frame[0] != ':' || (frame.size() - 3) % 2 != 0) return {};
  Bytes decoded;
  for (size_t i = 1; i + 1 < frame.size() - 2; i += 2) {
    const int high = HexValue(frame[i]), low = HexValue(frame[i + 1]);
    if (high < 0 || low < 0) return {};
    decoded.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  if (!decoded.empty()) decoded.pop_back();  // the LRC
  return decoded;
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Reply Reply::Message(Bytes message) {
  Reply r;
  r.source = Source::Message;
  r.bytes = std::move(message);
  return r;
}

Reply Reply::Raw(Bytes frame) {
  Reply r;
  r.source = Source::Raw;
  r.bytes = std::move(frame);
  return r;
}

Reply Reply::Computed(std::function<Bytes(const Bytes&)> compute) {
  Reply r;
  r.source = Source::Computed;
  r.compute = std::move(compute);
  return r;
}

Reply Reply::FromRegisters() {
  Reply r;
  r.source = Source::Registers;
  return r;
}

Reply Reply::Exception(uint8_t node, uint8_t function, uint8_t code) {
  return Message({node, static_cast<uint8_t>(function | 0x80), code});
}

Reply Reply::None() { return Reply{}; }

Reply& Reply::Junk(Bytes junk) {
  junkFirst = std::move(junk);
  return *this;
}

Reply& Reply::CorruptChecksum() {
  corruptChecksum = true;
  return *this;
}

Reply& Reply::Delay(int ms) {
  delayMs = ms;
  return *this;
}

Reply& Reply::Chunks(size_t size, int pauseMs) {
  chunkSize = size;
  chunkPauseMs = pauseMs;
  return *this;
}

PtySlave::PtySlave(Framing framing) : framing_(framing) {
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (masterFd_ < 0 || grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0)
    throw std::runtime_error("pseudo-terminal not available");
  char name[128];
  if (ptsname_r(masterFd_, name, sizeof name) != 0) throw std::runtime_error("ptsname failed");
  devicePath_ = name;
  // Held open for the whole test: with every slave descriptor closed the master read fails.
  slaveFd_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slaveFd_ < 0) throw std::runtime_error("pseudo-terminal slave cannot be opened");
  MakeRaw(slaveFd_);
  thread_ = std::thread([this] { Serve(); });
}

PtySlave::~PtySlave() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
  close(slaveFd_);
  close(masterFd_);
}

void PtySlave::SetFraming(Framing framing) {
  std::lock_guard lock(mutex_);
  framing_ = framing;
}

void PtySlave::Script(Reply reply) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(reply));
}

void PtySlave::Script(std::initializer_list<Reply> replies) {
  for (const Reply& reply : replies) Script(reply);
}

void PtySlave::EnableRegisters(uint8_t node, size_t count) {
  std::lock_guard lock(mutex_);
  registerNode_ = node;
  registers_.assign(count, 0);
}

uint16_t PtySlave::Register(size_t index) const {
  std::lock_guard lock(mutex_);
  return index < registers_.size() ? registers_[index] : 0;
}

void PtySlave::SetRegister(size_t index, uint16_t value) {
  std::lock_guard lock(mutex_);
  if (index < registers_.size()) registers_[index] = value;
}

std::vector<Bytes> PtySlave::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

size_t PtySlave::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

Bytes PtySlave::RequestMessage(size_t index) const {
  std::lock_guard lock(mutex_);
  if (index >= requests_.size()) return {};
  return MessageOf(framing_, requests_[index]);
}

bool PtySlave::WaitForRequests(size_t count, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return requests_.size() >= count; });
}

bool PtySlave::ClientLine(Line& line) const {
  struct termios2 tio {};
  if (ioctl(slaveFd_, TCGETS2, &tio) != 0) return false;
  line.baud = tio.c_ospeed;
  line.twoStopBits = tio.c_cflag & CSTOPB;
  line.parityOdd = tio.c_cflag & PARODD;
  line.stickParity = tio.c_cflag & CMSPAR;
  return true;
}

void PtySlave::Inject(const Bytes& bytes) { WriteAll(bytes.data(), bytes.size()); }

bool PtySlave::RequestComplete(const Bytes& pending) const {
  if (framing_ == Framing::Ascii) return pending.back() == '\n';
  if (pending.size() < 2) return false;
  const uint8_t function = pending[1];
  if (function >= 1 && function <= 6) return pending.size() >= 8;
  if (function == 15 || function == 16)
    return pending.size() >= 7 && pending.size() >= 9u + pending[6];
  return false;  // unknown: taken after the gap
}

void PtySlave::Serve() {
  Bytes pending;
  auto lastByte = Clock::now();
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
    }
    pollfd p{masterFd_, POLLIN, 0};
    const int ready = poll(&p, 1, 5);
    if (ready > 0 && (p.revents & POLLIN)) {
      uint8_t chunk[512];
      const ssize_t got = read(masterFd_, chunk, sizeof chunk);
      if (got > 0) {
        pending.insert(pending.end(), chunk, chunk + got);
        lastByte = Clock::now();
      }
    } else if (ready > 0) {
      Pause(5);  // hang-up or error: nothing to read, don't spin
    }
    if (pending.empty()) continue;
    if (RequestComplete(pending) || Clock::now() - lastByte > kRequestGap) {
      Bytes request;
      request.swap(pending);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      changed_.notify_all();
      Answer(request);
    }
  }
}

void PtySlave::Answer(const Bytes& request) {
  Reply reply;
  Framing framing;
  {
    std::lock_guard lock(mutex_);
    framing = framing_;
    if (!script_.empty()) {
      reply = std::move(script_.front());
      script_.pop_front();
    } else if (!registers_.empty()) {
      reply = Reply::FromRegisters();
    }
  }
  const Bytes message = MessageOf(framing, request);
  Bytes frame;
  switch (reply.source) {
    case Reply::Source::Silent:
      return;
    case Reply::Source::Raw:
      frame = reply.bytes;
      break;
    case Reply::Source::Message:
      frame = Frame(framing, reply.bytes);
      break;
    case Reply::Source::Computed:
      frame = Frame(framing, reply.compute(message));
      break;
    case Reply::Source::Registers: {
      const Bytes answer = RegisterReply(message);
      if (answer.empty()) return;
      frame = Frame(framing, answer);
      break;
    }
  }
  if (reply.corruptChecksum && frame.size() >= 3) {
    if (framing == Framing::Rtu) {
      frame.back() ^= 0xFF;
    } else {
      uint8_t& digit = frame[frame.size() - 3];
      digit = digit == '0' ? '1' : '0';
    }
  }
  Send(reply, frame);
}

Bytes PtySlave::RegisterReply(const Bytes& m) {
  std::lock_guard lock(mutex_);
  if (m.size() < 6 || m[0] != registerNode_) return {};
  const uint8_t function = m[1];
  const size_t start = m[2] << 8 | m[3];
  const size_t count = m[4] << 8 | m[5];
  auto exception = [&](uint8_t code) { return Bytes{m[0], uint8_t(function | 0x80), code}; };
  switch (function) {
    case 3:
    case 4: {
      if (count == 0 || count > 125 || start + count > registers_.size()) return exception(2);
      Bytes reply{m[0], function, static_cast<uint8_t>(count * 2)};
      for (size_t i = 0; i < count; ++i) {
        const Bytes w = Word(registers_[start + i]);
        reply.insert(reply.end(), w.begin(), w.end());
      }
      return reply;
    }
    case 6:
      if (start >= registers_.size()) return exception(2);
      registers_[start] = static_cast<uint16_t>(count);  // the value field
      return Bytes(m.begin(), m.begin() + 6);
    case 16:
      if (m.size() < 7 + 2 * count || start + count > registers_.size()) return exception(2);
      for (size_t i = 0; i < count; ++i)
        registers_[start + i] = static_cast<uint16_t>(m[7 + 2 * i] << 8 | m[8 + 2 * i]);
      return Bytes(m.begin(), m.begin() + 6);
    default:
      return exception(1);
  }
}

void PtySlave::Send(const Reply& reply, const Bytes& frame) {
  if (reply.delayMs > 0 && !Pause(reply.delayMs)) return;
  Bytes out = reply.junkFirst;
  out.insert(out.end(), frame.begin(), frame.end());
  const size_t step = reply.chunkSize ? reply.chunkSize : out.size();
  for (size_t at = 0; at < out.size(); at += step) {
    if (at > 0 && !Pause(reply.chunkPauseMs)) return;
    WriteAll(out.data() + at, std::min(step, out.size() - at));
  }
}

void PtySlave::WriteAll(const uint8_t* data, size_t length) {
  while (length > 0) {
    const ssize_t written = write(masterFd_, data, length);
    if (written < 0) return;
    data += written;
    length -= static_cast<size_t>(written);
  }
}

bool PtySlave::Pause(int ms) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop_; });
}

}  // namespace pwtest
