// Decodes a DIME message as its bytes arrive: the payload of the first record (the
// envelope) stays in the byte stream, every later payload is collected as an
// attachment. A payload may come in any number of chunks (records with CF). Each
// attachment is collected in a byte vector that a Binary value can take over as it is.
#ifndef QZSOAP_QZDIMEMESSAGE_H
#define QZSOAP_QZDIMEMESSAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace QZ {
namespace wire {

typedef std::vector<unsigned char> DimeBytes;

class DimeMessage {
public:
  // Decodes the `size` bytes at `data` in place: the envelope's bytes among them then
  // start at `data`, and their count is returned; attachment bytes go to
  // `attachments`, one byte vector per payload after the first, in arrival order.
  // Bytes after the message's last record make the message fail: they are body bytes
  // (the caller passes no others), so a record stated a wrong length.
  std::size_t decode(char* data, std::size_t size, std::vector<DimeBytes>& attachments);
  // When the bytes that come next are the data of an attachment: that attachment, and
  // how many of its bytes are still to come (`left`); null otherwise. A caller may then
  // receive up to `left` bytes straight onto its end and say so with tookData().
  DimeBytes* dataSink(std::vector<DimeBytes>& attachments, std::uint64_t& left);
  void tookData(std::size_t count) { fLeft -= count; }
  bool finished() const { return fState == State::kFinished; }
  bool failed() const { return fState == State::kFailed; }

private:
  enum class State { kHeader, kFields, kData, kPadding, kFinished, kFailed };
  bool headerDone(std::vector<DimeBytes>& attachments);
  void settle();  // passes the parts of a record that have no bytes

  State fState = State::kHeader;
  unsigned char fHeader[12] = {};
  std::size_t fHeaderBytes = 0;
  std::uint64_t fLeft = 0;       // of the fields, the data or the padding being read
  std::uint64_t fDataBytes = 0;  // of the current record
  bool fLastRecord = false;      // ME on the current record
  bool fContinued = false;       // CF on the current record: its payload goes on
  std::size_t fPayload = 0;      // 0 while reading the envelope, then attachment number + 1
  std::uint64_t fTotal = 0;      // payload bytes so far, bounded
};

}  // namespace wire
}  // namespace QZ

#endif
