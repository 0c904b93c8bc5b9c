// QZValue: base64 text of Binary and Object bytes (standard alphabet, "=" padding).
// The encoder breaks its text with a line feed after every 72 characters; the
// decoder skips anything outside the alphabet, so those breaks are harmless.
#include "qzassert.h"
#include "qzvalue/qzvalue.h"

#include <cstring>

namespace QZ {
namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const std::size_t kGroupsPerLine = 18;  // 18 groups of four characters: 72 characters
const unsigned char kSkip = 0xFF;       // not in the alphabet and not "="
const unsigned char kPad = 0xFE;        // "="

struct DecodeTable {
  unsigned char sextet[256];
  DecodeTable() {
    std::memset(sextet, kSkip, sizeof sextet);
    for (unsigned char i = 0; i < 64; ++i) sextet[static_cast<unsigned char>(kAlphabet[i])] = i;
    sextet[static_cast<unsigned char>('=')] = kPad;
  }
};
const DecodeTable kDecode;

}  // namespace

void QZValue::encodeBase64(std::string& out) const {
  if (fType != TypeBinary && fType != TypeObject) return;
  const TQZValueBinary& data = bytes();
  const std::size_t count = data.size();
  if (count == 0) return;

  const std::size_t groups = count / 3;
  const std::size_t textLength = (groups + (count % 3 ? 1 : 0)) * 4 + groups / kGroupsPerLine;
  const std::size_t start = out.size();
  out.resize(start + textLength);
  char* write = &out[start];
  const unsigned char* read = data.data();

  for (std::size_t group = 1; group <= groups; ++group, read += 3) {
    const unsigned int triple = (read[0] << 16) | (read[1] << 8) | read[2];
    write[0] = kAlphabet[(triple >> 18) & 0x3F];
    write[1] = kAlphabet[(triple >> 12) & 0x3F];
    write[2] = kAlphabet[(triple >> 6) & 0x3F];
    write[3] = kAlphabet[triple & 0x3F];
    write += 4;
    if (group % kGroupsPerLine == 0) *write++ = '\n';
  }
  // A padded final group is never followed by a line feed.
  if (count % 3 == 1) {
    write[0] = kAlphabet[read[0] >> 2];
    write[1] = kAlphabet[(read[0] & 0x03) << 4];
    write[2] = '=';
    write[3] = '=';
  } else if (count % 3 == 2) {
    write[0] = kAlphabet[read[0] >> 2];
    write[1] = kAlphabet[((read[0] & 0x03) << 4) | (read[1] >> 4)];
    write[2] = kAlphabet[(read[1] & 0x0F) << 2];
    write[3] = '=';
  }
}

void QZValue::decodeBase64Binary(const char* text) { decodeBase64Into(text); }

void QZValue::decodeBase64Object(const char* text) {
  decodeBase64Into(text);
  fType = TypeObject;  // same storage, other kind
}

void QZValue::decodeBase64Into(const char* text) {
  QZ_ASSERT("QZValue", text != nullptr);
  if (fType == TypeBinary) {
    fValue.asBinary->clear();
  } else {
    becomeKind(TypeBinary);
  }
  TQZValueBinary& out = *fValue.asBinary;
  const std::size_t length = std::strlen(text);
  out.resize(length * 3 / 4 + 1);  // the most the text can hold; trimmed at the end
  unsigned char* write = out.data();
  const unsigned char* read = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const end = read + length;

  unsigned int quad = 0;
  int have = 0;  // characters of the current group seen so far
  while (read != end) {
    // Fast path: four alphabet characters in a row at the start of a group.
    if (have == 0 && end - read >= 4) {
      const unsigned char a = kDecode.sextet[read[0]], b = kDecode.sextet[read[1]];
      const unsigned char c = kDecode.sextet[read[2]], d = kDecode.sextet[read[3]];
      if ((a | b | c | d) < 64) {
        const unsigned int triple = (a << 18) | (b << 12) | (c << 6) | d;
        write[0] = static_cast<unsigned char>(triple >> 16);
        write[1] = static_cast<unsigned char>(triple >> 8);
        write[2] = static_cast<unsigned char>(triple);
        write += 3;
        read += 4;
        continue;
      }
    }
    const unsigned char sextet = kDecode.sextet[*read++];
    if (sextet == kSkip) continue;
    if (sextet == kPad) {
      // "=" ends the text: a group cut after two characters gives one byte, after
      // three two bytes; earlier, nothing.
      if (have == 2) {
        *write++ = static_cast<unsigned char>(quad >> 4);
      } else if (have == 3) {
        *write++ = static_cast<unsigned char>(quad >> 10);
        *write++ = static_cast<unsigned char>(quad >> 2);
      }
      break;
    }
    quad = (quad << 6) | sextet;
    if (++have == 4) {
      write[0] = static_cast<unsigned char>(quad >> 16);
      write[1] = static_cast<unsigned char>(quad >> 8);
      write[2] = static_cast<unsigned char>(quad);
      write += 3;
      quad = 0;
      have = 0;
    }
  }
  // A final group cut short by the end of the text gives no bytes.
  out.resize(static_cast<std::size_t>(write - out.data()));
}

}  // namespace QZ
