// A scripted Modbus slave on a pseudo-terminal, for tests of the serial master.
//
// The slave side of the pair is the device the code under test opens (DevicePath()); the
// master side is served by a thread of this object. Each request received is recorded and
// answered by the next scripted Reply, or, when the script is empty, from a holding-register
// map (functions 3, 4, 6 and 16) if one is enabled; otherwise not at all.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pwtest {

using Bytes = std::vector<uint8_t>;

enum class Framing { Rtu, Ascii };

// Independent reference codecs (bitwise, not table driven) for building expected frames.
uint16_t ReferenceCrc16(const Bytes& message);
uint8_t ReferenceLrc(const Bytes& message);
// message + CRC (low byte first).
Bytes RtuFrame(const Bytes& message);
// ":" + upper-case hex of message + LRC + CR LF.
Bytes AsciiFrame(const Bytes& message);
Bytes Frame(Framing framing, const Bytes& message);
// Message bytes of a received request: CRC stripped (RTU) or hex decoded without LRC (ASCII).
// Empty when the frame is malformed.
Bytes MessageOf(Framing framing, const Bytes& frame);
Bytes TextBytes(const std::string& text);

// What the slave does with one request.
struct Reply {
  enum class Source { Message, Raw, Computed, Registers, Silent };
  Source source = Source::Silent;
  Bytes bytes;  // Message: framed by the slave; Raw: sent exactly as given
  std::function<Bytes(const Bytes& requestMessage)> compute;  // returns a message to frame
  Bytes junkFirst;               // sent before the reply, in the same burst
  bool corruptChecksum = false;  // flips the last CRC byte or one LRC character
  int delayMs = 0;               // wait before the first byte
  size_t chunkSize = 0;          // 0: all at once; else bytes per write
  int chunkPauseMs = 0;          // pause between chunks

  static Reply Message(Bytes message);
  static Reply Raw(Bytes frame);
  static Reply Computed(std::function<Bytes(const Bytes&)> compute);
  static Reply FromRegisters();
  static Reply Exception(uint8_t node, uint8_t function, uint8_t code);
  static Reply None();

  Reply& Junk(Bytes junk);
  Reply& CorruptChecksum();
  Reply& Delay(int ms);
  Reply& Chunks(size_t size, int pauseMs);
};

class PtySlave {
 public:
  explicit PtySlave(Framing framing = Framing::Rtu);
  ~PtySlave();
  PtySlave(const PtySlave&) = delete;
  PtySlave& operator=(const PtySlave&) = delete;

  // The device the code under test opens (e.g. /dev/pts/7).
  const std::string& DevicePath() const { return devicePath_; }
  void SetFraming(Framing framing);

  // Answers for the next requests, in order.
  void Script(Reply reply);
  void Script(std::initializer_list<Reply> replies);

  // Serves functions 3/4 (read), 6 and 16 (write) from a register array for this node when
  // the script is empty. Other nodes get no reply; unknown functions exception 1; addresses
  // outside the array exception 2.
  void EnableRegisters(uint8_t node, size_t count);
  uint16_t Register(size_t index) const;
  void SetRegister(size_t index, uint16_t value);

  // Raw request frames received so far (bytes exactly as they arrived).
  std::vector<Bytes> Requests() const;
  size_t RequestCount() const;
  Bytes RequestMessage(size_t index) const;
  bool WaitForRequests(size_t count, int timeoutMs) const;
  // The line settings the client applied (a pseudo-terminal keeps the baud rate, CSTOPB, PARODD
  // and CMSPAR; it drops PARENB and forces CS8). False when they cannot be read.
  struct Line {
    unsigned baud = 0;
    bool twoStopBits = false, parityOdd = false, stickParity = false;
  };
  bool ClientLine(Line& line) const;
  // Writes bytes to the device without any request (unsolicited input).
  void Inject(const Bytes& bytes);

 private:
  void Serve();
  bool RequestComplete(const Bytes& pending) const;
  void Answer(const Bytes& request);
  Bytes RegisterReply(const Bytes& message);
  void Send(const Reply& reply, const Bytes& frame);
  void WriteAll(const uint8_t* data, size_t length);
  bool Pause(int ms);

  int masterFd_ = -1;
  int slaveFd_ = -1;
  std::string devicePath_;
  std::atomic<Framing> framing_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stop_ = false;
  std::deque<Reply> script_;
  std::vector<Bytes> requests_;
  std::vector<uint16_t> registers_;
  uint8_t registerNode_ = 0;
  std::thread thread_;
};

}  // namespace pwtest
