#include "soakcalls.h"

#include <cstring>
#include <vector>

namespace qzsoak {

namespace {

QZ::QZValue binary(std::size_t size, unsigned seed) {
  std::vector<unsigned char> bytes(size);
  unsigned state = seed * 2654435761u + 1;
  for (unsigned char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<unsigned char>(state >> 16);
  }
  QZ::QZValue value;
  value.SetBinary(bytes.data(), static_cast<int>(size));
  return value;
}

QZ::QZValue list(std::vector<QZ::QZValue> elements) {
  QZ::QZValue value;
  value.arraySetSize(static_cast<int>(elements.size()));
  for (std::size_t i = 0; i < elements.size(); ++i) value[static_cast<int>(i)] = std::move(elements[i]);
  return value;
}

SoakCall echo(QZ::QZValue argument) {
  SoakCall call;
  call.method = "echo";
  call.params = list({argument});
  call.expected = std::move(argument);
  return call;
}

}  // namespace

SoakCall soakCall(int thread, int index) {
  const std::string tag = "t" + std::to_string(thread) + "c" + std::to_string(index);
  const unsigned seed = static_cast<unsigned>(thread * 1000003 + index);
  // Mixed, so that each thread and each proxy meets every kind of call.
  switch ((static_cast<unsigned>(index) * 2654435761u >> 16) % 8) {
    case 0:  // every byte the writer escapes
      return echo(QZ::QZValue(tag + " <&>\"'\t\n\xC3\xA9 end"));
    case 1:
      return echo(QZ::QZValue(thread << 24 | index));
    case 2:  // a status pair would be unwrapped: a String comes first
      return echo(list({QZ::QZValue(tag), QZ::QZValue(index), QZ::QZValue(index + 0.25f),
                        QZ::QZValue(index % 3 == 0), list({QZ::QZValue("nested"), QZ::QZValue(-index)})}));
    case 3:  // empty now and then
      return echo(binary(index % 5 == 0 ? 0 : (index * 37) % 3000, seed));
    case 4:  // attachments come back in the order of a depth-first walk
      return echo(list({QZ::QZValue(tag), binary(16 + index % 48, seed),
                        list({binary(index % 2000, seed + 1), QZ::QZValue(tag)})}));
    case 5: {
      SoakCall call = echo(QZ::QZValue(index));
      call.posted = true;
      return call;
    }
    case 6: {
      SoakCall call;
      call.method = "ping";
      call.params = list({QZ::QZValue(tag)});
      call.expected = QZ::QZValue(true);
      return call;
    }
    default:  // larger than one 64 KiB receive block
      return echo(QZ::QZValue(tag + std::string(70000 + index % 1000, 'x')));
  }
}

bool sameValue(const QZ::QZValue& a, const QZ::QZValue& b) {
  if (a.getType() != b.getType()) return false;
  if (a.getType() == QZ::QZValue::TypeFloat) {
    const float x = static_cast<float>(a), y = static_cast<float>(b);
    return std::memcmp(&x, &y, sizeof x) == 0;
  }
  if (a.getType() != QZ::QZValue::TypeArray) return a == b;
  if (a.getSize() != b.getSize()) return false;
  for (unsigned int i = 0; i < a.getSize(); ++i)
    if (!sameValue(a[static_cast<int>(i)], b[static_cast<int>(i)])) return false;
  return true;
}

}  // namespace qzsoak
