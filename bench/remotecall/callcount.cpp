// N calls with one client against the in-process bench broker, for counting the
// client's instructions under callgrind (bench/callgrind.sh):
//   bench_callcount MODE [N]
// ours         QZProxyRemote::callRemote<bool>("ping"), answered with the status pair;
// gsoap        the plain gSOAP echo client sending "ping";
// ours-floats  callRemote<std::vector<float>>("floats") answered with 100,000 Floats;
// ours-dime    genericCall with one 1 MiB Binary, echoed back as an attachment;
// gsoap-dime   the plain gSOAP client sending and receiving 1 MiB as an attachment.
// Each counted call goes through qzbench_counted_call, which the script names in
// --toggle-collect; callgrind toggles collection per thread, so the broker's threads
// are not counted. A first call (connection, module lookup) runs outside it.
#include "benchbroker.h"
#include "echoclient.h"

#include "qzremotecall/qzremoteproxy.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kFloatCount = 100000;
constexpr std::size_t kBlobBytes = std::size_t(1) << 20;

enum class Mode { kOurs, kGsoap, kOursFloats, kOursDime, kGsoapDime };

struct Client {
  Mode mode;
  std::unique_ptr<QZ::QZProxyRemote> ours;
  std::unique_ptr<qzbench::EchoClient> gsoap;
  std::vector<unsigned char> blob;
  QZ::QZValue params;
  QZ::QZValue result;
  std::vector<unsigned char> received;
};

bool oneCall(Client& c) {
  switch (c.mode) {
    case Mode::kOurs: return c.ours->callRemote<bool>("ping");
    case Mode::kGsoap: return c.gsoap->echo("ping") == "ping";
    case Mode::kOursFloats:
      return c.ours->callRemote<std::vector<float>>("floats").size() == kFloatCount;
    case Mode::kOursDime:
      c.ours->genericCall("echoBinary", c.params, c.result);
      return c.result.getSize() == kBlobBytes;
    case Mode::kGsoapDime:
      c.gsoap->echoAttachment(c.blob.data(), c.blob.size(), c.received);
      return c.received.size() == kBlobBytes;
  }
  return false;
}

bool parseMode(const std::string& name, Mode& mode) {
  const struct {
    const char* name;
    Mode mode;
  } modes[] = {{"ours", Mode::kOurs},
               {"gsoap", Mode::kGsoap},
               {"ours-floats", Mode::kOursFloats},
               {"ours-dime", Mode::kOursDime},
               {"gsoap-dime", Mode::kGsoapDime}};
  for (const auto& entry : modes)
    if (name == entry.name) {
      mode = entry.mode;
      return true;
    }
  return false;
}

}  // namespace

// Not inlined and not mangled, so that callgrind can name it.
extern "C" __attribute__((noinline)) int qzbench_counted_call(void* client) {
  return oneCall(*static_cast<Client*>(client)) ? 1 : 0;
}

int main(int argc, char** argv) {
  Mode mode = Mode::kOurs;
  if (argc < 2 || !parseMode(argv[1], mode)) {
    std::fprintf(stderr, "usage: %s ours|gsoap|ours-floats|ours-dime|gsoap-dime [calls, default 200]\n",
                 argv[0]);
    return 2;
  }
  const long calls = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 200;
  if (calls < 1 || calls > 1000000) {
    std::fprintf(stderr, "calls must be 1 to 1000000\n");
    return 2;
  }
  try {
    qzbench::BenchBroker broker(mode == Mode::kOursFloats ? kFloatCount : 16);
    Client client;
    client.mode = mode;
    if (mode == Mode::kGsoap || mode == Mode::kGsoapDime)
      client.gsoap.reset(new qzbench::EchoClient(broker.port()));
    else
      client.ours.reset(new QZ::QZProxyRemote("BenchModule", "127.0.0.1", broker.port(), 0, 0));
    client.blob.assign(kBlobBytes, 0x5A);
    client.params.arraySetSize(1);
    client.params[0].SetBinary(client.blob.data(), static_cast<int>(client.blob.size()));
    if (!oneCall(client)) throw std::runtime_error("the first call answered wrong");
    long right = 0;
    for (long i = 0; i < calls; ++i) right += qzbench_counted_call(&client);
    std::printf("client=%s calls=%ld answered=%ld\n", argv[1], calls, right);
    return right == calls ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_callcount: %s\n", error.what());
    return 1;
  }
}
