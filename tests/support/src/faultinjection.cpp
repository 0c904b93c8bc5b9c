#include "faultinjection.h"

#include <random>

namespace qztest {
namespace detail {

namespace {

// A cut strictly inside `size` bytes: at least one written, at least one kept back.
std::size_t cutInside(std::uint32_t pick, std::size_t size) {
  return size < 2 ? 0 : 1 + pick % (size - 1);
}

bool dribble(BrokerSocket& socket, const std::string& bytes, std::chrono::microseconds pause) {
  for (const char byte : bytes)
    if (!socket.send(&byte, 1) || !socket.pause(pause)) return false;
  return true;
}

// Offsets of the 4-byte data length field of each record of a DIME message.
std::vector<std::size_t> dimeLengthFields(const std::string& message) {
  std::vector<std::size_t> fields;
  std::size_t at = 0;
  while (at + 12 <= message.size()) {
    auto field = [&](std::size_t offset, int size) {
      std::size_t value = 0;
      for (int i = 0; i < size; ++i) value = value << 8 | static_cast<unsigned char>(message[offset + i]);
      return (value + 3) / 4 * 4;
    };
    fields.push_back(at + 8);
    at += 12 + field(at + 2, 2) + field(at + 4, 2) + field(at + 6, 2) + field(at + 8, 4);
  }
  return fields;
}

// The answer as a DIME message in which one record states a data length that the bytes
// after it give the lie to: far too large; larger, on the last record, so that it runs
// past the body; or smaller by at least the 4-byte padding unit, so that data is read
// as the next header. A lie within the same padded size would be a well-formed record
// whose payload merely ends in the padding's zero bytes: no reader could tell.
std::string lyingDime(const BrokerAnswer& answer, std::uint32_t pick) {
  BrokerAnswer asDime = answer;
  asDime.dime = true;
  std::string message = asDime.body();
  const std::vector<std::size_t> fields = dimeLengthFields(message);
  const int kind = static_cast<int>((pick >> 4) % 3);
  const std::size_t field = kind == 1 ? fields.back() : fields[pick % fields.size()];
  std::uint32_t stated = 0;
  for (int i = 0; i < 4; ++i) stated = stated << 8 | static_cast<unsigned char>(message[field + i]);
  const std::uint32_t padded = (stated + 3) / 4 * 4;
  std::uint32_t lie = 0xFFFFFFF0u;
  if (kind == 1) lie = padded + 1 + (pick >> 8) % 64;
  if (kind == 2 && padded >= 4) lie = (pick >> 8) % (padded - 3);
  for (int i = 0; i < 4; ++i) message[field + i] = static_cast<char>(lie >> (24 - 8 * i));
  return asDime.bytes(message);
}

// Random bytes; half the time framed as a well-formed HTTP answer whose body is noise
// with markup characters in it, half the time bare.
std::string garbage(std::uint32_t pick, bool& framed) {
  std::mt19937 generator(pick);
  const std::size_t size = 1 + generator() % 1024;
  framed = generator() % 2 == 0;
  static const char markup[] = "<>/=\"&;:? abcxyzHTTP0123456789\r\n";
  std::string noise(size, '\0');
  for (char& c : noise)
    c = framed ? markup[generator() % (sizeof markup - 1)] : static_cast<char>(generator());
  if (!framed) return noise;
  return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
         std::to_string(noise.size()) + "\r\n\r\n" + noise;
}

}  // namespace

bool deliver(BrokerSocket& socket, const BrokerAnswer& answer, const FaultChoice& choice,
             const FaultSettings& settings) {
  const std::string bytes = answer.bytes();
  switch (choice.fault) {
    case Fault::None:
      return socket.send(bytes);
    case Fault::Delay:
      return socket.pause(choice.delay) && socket.send(bytes);
    case Fault::Stall:
      if (socket.send(bytes.data(), cutInside(choice.pick, bytes.size())))
        socket.holdUntilClosed(settings.maxHold);
      return false;
    case Fault::Dribble:
      return dribble(socket, bytes, choice.bytePause);
    case Fault::CutBefore:
      return false;
    case Fault::CutInside:
      socket.send(bytes.data(), cutInside(choice.pick, bytes.size()));
      return false;
    case Fault::Reset:
      socket.send(bytes.data(), choice.pick % bytes.size());
      socket.resetOnClose();
      return false;
    case Fault::ShortLength: {
      // The body goes out whole; what lies beyond the stated length stays on the
      // connection, ahead of the next answer.
      const std::string body = answer.body();
      return socket.send(answer.bytes(body, cutInside(choice.pick, body.size())));
    }
    case Fault::LongLength: {
      const std::string body = answer.body();
      if (socket.send(answer.bytes(body, body.size() + 1 + choice.pick % 64)))
        socket.holdUntilClosed(settings.maxHold);
      return false;
    }
    case Fault::BadDimeLength:
      return socket.send(lyingDime(answer, choice.pick));
    case Fault::Garbage: {
      bool framed = false;
      const std::string noise = garbage(choice.pick, framed);
      return socket.send(noise) && framed;
    }
  }
  return false;
}

}  // namespace detail
}  // namespace qztest
