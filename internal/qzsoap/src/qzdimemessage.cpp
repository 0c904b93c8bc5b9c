#include "qzdimemessage.h"

#include "qzwirelimits.h"

#include <algorithm>
#include <cstring>

namespace QZ {
namespace wire {

namespace {

constexpr unsigned char kVersionMask = 0xF8;
constexpr unsigned char kVersion1 = 0x08;
constexpr unsigned char kMessageEnd = 0x02;
constexpr unsigned char kChunked = 0x01;

// What a record's declared length reserves at most before its bytes arrive: a broker's
// header alone cannot make the reader allocate much, yet a payload of a few MiB is
// received into its final storage without being moved as it grows.
constexpr std::uint64_t kMaxReservedBytes = std::uint64_t(16) << 20;

std::uint64_t padded(std::uint64_t size) { return (size + 3) / 4 * 4; }

std::uint64_t field16(const unsigned char* at) { return std::uint64_t(at[0]) << 8 | at[1]; }

std::uint64_t field32(const unsigned char* at) {
  return std::uint64_t(at[0]) << 24 | std::uint64_t(at[1]) << 16 | std::uint64_t(at[2]) << 8 | at[3];
}

}  // namespace

bool DimeMessage::headerDone(std::vector<DimeBytes>& attachments) {
  fHeaderBytes = 0;
  if ((fHeader[0] & kVersionMask) != kVersion1) return false;
  fLastRecord = (fHeader[0] & kMessageEnd) != 0;
  fContinued = (fHeader[0] & kChunked) != 0;
  fDataBytes = field32(fHeader + 8);
  if (fDataBytes > kMaxMessageBytes - fTotal) return false;  // more than a message may hold
  fTotal += fDataBytes;
  // Options, ID and type, each padded: only their lengths matter here.
  fLeft = padded(field16(fHeader + 2)) + padded(field16(fHeader + 4)) + padded(field16(fHeader + 6));
  if (fPayload > attachments.size()) attachments.emplace_back();  // an attachment begins
  if (fPayload > 0) {
    DimeBytes& bytes = attachments[fPayload - 1];
    bytes.reserve(bytes.size() + static_cast<std::size_t>(std::min(fDataBytes, kMaxReservedBytes)));
  }
  fState = State::kFields;
  return true;
}

void DimeMessage::settle() {
  for (;;) {
    if (fState == State::kFields && fLeft == 0) {
      fState = State::kData;
      fLeft = fDataBytes;
    } else if (fState == State::kData && fLeft == 0) {
      fState = State::kPadding;
      fLeft = padded(fDataBytes) - fDataBytes;
    } else if (fState == State::kPadding && fLeft == 0) {
      if (fContinued) {
        fState = State::kHeader;  // the payload goes on in the next record
      } else if (fLastRecord) {
        fState = State::kFinished;
      } else {
        fState = State::kHeader;
        ++fPayload;
      }
    } else {
      return;
    }
  }
}

DimeBytes* DimeMessage::dataSink(std::vector<DimeBytes>& attachments, std::uint64_t& left) {
  settle();
  if (fState != State::kData || fPayload == 0 || fLeft == 0) return nullptr;
  left = fLeft;
  return &attachments[fPayload - 1];
}

std::size_t DimeMessage::decode(char* data, std::size_t size, std::vector<DimeBytes>& attachments) {
  std::size_t out = 0;
  std::size_t at = 0;
  for (;;) {
    settle();
    // The body holds the message and nothing after it: body bytes past the last record
    // mean that a record stated fewer bytes than it has, and its payload is cut short.
    if (fState == State::kFinished && at < size) fState = State::kFailed;
    if (at == size || fState == State::kFinished || fState == State::kFailed) return out;
    const std::size_t available = size - at;
    if (fState == State::kHeader) {
      const std::size_t take = std::min(available, sizeof fHeader - fHeaderBytes);
      std::memcpy(fHeader + fHeaderBytes, data + at, take);
      fHeaderBytes += take;
      at += take;
      if (fHeaderBytes == sizeof fHeader && !headerDone(attachments)) fState = State::kFailed;
      continue;
    }
    const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(fLeft, available));
    if (fState == State::kData && fPayload == 0) {
      std::memmove(data + out, data + at, run);
      out += run;
    } else if (fState == State::kData) {
      DimeBytes& bytes = attachments[fPayload - 1];
      const unsigned char* from = reinterpret_cast<const unsigned char*>(data + at);
      bytes.insert(bytes.end(), from, from + run);
    }
    at += run;
    fLeft -= run;
  }
}

}  // namespace wire
}  // namespace QZ
