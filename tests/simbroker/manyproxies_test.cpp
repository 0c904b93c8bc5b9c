// One client holding a thousand proxies open at once against one broker program,
// each on its own connection: every one is served, the connection limit holds, and
// what an idle proxy costs the client and an open connection costs the broker is
// measured and printed.
#include "brokerprogram.h"

#include "qzproxies/qzmemoryproxyremote.h"
#include "qzvalue/qzerror.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace simtest {
namespace {

constexpr int kProxies = 1000;
// Descriptors the test needs beside the proxies' sockets.
constexpr rlim_t kSpareDescriptors = 64;

// Resident memory of a process in bytes, from /proc; 0 when unreadable.
long residentBytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6) * 1024;
  return 0;
}

// Bytes the allocator has handed out; 0 under an allocator that keeps no such count.
long heapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long>(info.uordblks + info.hblkhd);
}

// Raises the soft limit on open descriptors to `wanted` if the hard limit allows it.
bool roomForDescriptors(rlim_t wanted, std::string& why) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur >= wanted) return true;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) {
    why = "the hard limit on open files is " + std::to_string(limit.rlim_max) + ", below the " +
          std::to_string(wanted) + " this test needs";
    return false;
  }
  limit.rlim_cur = wanted;
  if (setrlimit(RLIMIT_NOFILE, &limit) == 0) return true;
  why = "the soft limit on open files cannot be raised to " + std::to_string(wanted);
  return false;
}

TEST(SimManyProxies, OneClientHoldsAThousandProxiesOpenAtOnce) {
  std::string why;
  if (!roomForDescriptors(kProxies + kSpareDescriptors, why)) GTEST_SKIP() << why;

  // The broker takes exactly as many connections as there are proxies.
  Program broker({"--port", "0", "--max-connections", std::to_string(kProxies)});
  const int port = broker.listeningPort(20);
  ASSERT_GT(port, 0);

  const long clientBefore = residentBytes(getpid());
  const long heapBefore = heapBytes();
  const long brokerBefore = residentBytes(broker.pid());
  std::vector<std::unique_ptr<QZ::QZMemoryProxyRemote>> proxies;
  proxies.reserve(kProxies);
  for (int i = 0; i < kProxies; ++i) proxies.push_back(std::make_unique<QZ::QZMemoryProxyRemote>("127.0.0.1", port));

  // All open at once, and each one answered on its own connection.
  int answered = 0;
  for (auto& proxy : proxies) answered += proxy->ping() ? 1 : 0;
  EXPECT_EQ(answered, kProxies);
  const long clientPerProxy = (residentBytes(getpid()) - clientBefore) / kProxies;
  const long heapPerProxy = (heapBytes() - heapBefore) / kProxies;
  const long brokerPerConnection = (residentBytes(broker.pid()) - brokerBefore) / kProxies;

  // One more is beyond the limit; the thousand stay served.
  EXPECT_THROW(QZ::QZMemoryProxyRemote("127.0.0.1", port), QZ::QZNetworkError);
  EXPECT_TRUE(proxies.front()->ping());
  EXPECT_TRUE(proxies.back()->ping());

  // (An allocator that keeps no count, as a sanitizer's, shows 0 allocated.)
  std::printf("%d proxies: client %ld KiB resident (%ld KiB allocated) per idle proxy, "
              "broker %ld KiB resident per connection\n",
              kProxies, clientPerProxy / 1024, heapPerProxy / 1024, brokerPerConnection / 1024);
  RecordProperty("client_resident_bytes_per_proxy", static_cast<int>(clientPerProxy));
  RecordProperty("client_heap_bytes_per_proxy", static_cast<int>(heapPerProxy));
  RecordProperty("broker_resident_bytes_per_connection", static_cast<int>(brokerPerConnection));

  proxies.clear();
  broker.signal(SIGTERM);
  EXPECT_EQ(broker.exitStatus(20), 0);
}

}  // namespace
}  // namespace simtest
