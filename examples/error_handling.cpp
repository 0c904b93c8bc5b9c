// error_handling: what a failure looks like. Every proxy constructor and method turns
// a failure (an unknown module, a method the broker refuses, a dropped connection)
// into a System::Exception whose Message() carries the library's error text.
//
//   error_handling [HOST [PORT]]    defaults: 127.0.0.1 4700
#include <velantrix/proxies/motionproxy.h>
#include <velantrix/proxies/proxy.h>

#include <cstdlib>
#include <iostream>
#include <string>

using System::Collections::ArrayList;
using Velantrix::Proxies::MotionProxy;
using Velantrix::Proxies::Proxy;

namespace {

int unexpectedSuccesses = 0;

// Runs one attempt that should fail and prints the error it raised.
template <class Attempt>
void expectFailure(const char* what, Attempt attempt) {
  std::cout << "== " << what << "\n";
  try {
    attempt();
    std::cout << "(it worked, which it should not have)\n";
    ++unexpectedSuccesses;
  } catch (const System::ObjectDisposedException& e) {
    // The host runtime's own exceptions have their own types...
    std::cout << "ObjectDisposedException: " << e.Message() << "\n";
  } catch (const System::Exception& e) {
    // ...while the broker's and the library's errors are plain System::Exception.
    std::cout << "System::Exception:\n" << e.Message() << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string host = argc > 1 ? argv[1] : "127.0.0.1";
  const int port = argc > 2 ? std::atoi(argv[2]) : 4700;
  if (port <= 0 || port > 65535 || argc > 3) {
    std::cerr << "usage: error_handling [HOST [PORT]]\n";
    return 2;
  }

  try {
    // A module the broker does not know: the constructor throws, no proxy results.
    expectFailure("a module the broker does not know",
                  [&] { Proxy unknown("QZNoSuchModule", host, port); });

    // A method the module does not have: the broker answers with a SOAP fault, whose
    // fault string and detail the message carries.
    Proxy memory("QZMemory", host, port);
    expectFailure("a method the module does not have",
                  [&] { memory.genericCall("noSuchMethod", System::Object()); });

    // Arguments the method cannot use: a fault that says which argument is wrong.
    MotionProxy motion(host, port);
    expectFailure("a joint name the robot does not have", [&] {
      motion.setAngles(System::String("NoSuchJoint"), 0.5f, 0.1f);
    });

    // A proxy after Dispose: its connection is gone, so every use is refused.
    memory.Dispose();
    expectFailure("a proxy used after Dispose",
                  [&] { memory.genericCall("ping", System::Object()); });

    // A failed call leaves the proxy usable: the next call works as usual.
    std::cout << "== after these errors the motion proxy still answers: ping = "
              << (motion.ping() ? "true" : "false") << "\n";
    motion.Dispose();
  } catch (const System::Exception& e) {
    std::cerr << "error_handling: unexpected error: " << e.Message() << "\n";
    return 1;
  }
  return unexpectedSuccesses == 0 ? 0 : 1;
}
