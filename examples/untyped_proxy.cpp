// untyped_proxy: reaching a module by name with Velantrix::Proxies::Proxy, without its
// typed class. This suits tools that choose the module and method at run time, and
// methods that a newer broker offers beyond the typed classes.
//
//   untyped_proxy [HOST [PORT]]    defaults: 127.0.0.1 4700
#include <velantrix/proxies/proxy.h>

#include <cstdlib>
#include <iostream>
#include <string>

using System::Collections::ArrayList;
using Velantrix::Proxies::Proxy;

int main(int argc, char** argv) {
  const std::string host = argc > 1 ? argv[1] : "127.0.0.1";
  const int port = argc > 2 ? std::atoi(argv[2]) : 4700;
  if (port <= 0 || port > 65535 || argc > 3) {
    std::cerr << "usage: untyped_proxy [HOST [PORT]]\n";
    return 2;
  }

  try {
    // The module is named as the broker knows it.
    Proxy memory("QZMemory", host, port);

    // The arguments of a call travel as one list, one element per argument of the
    // remote method: here insertData(key, value).
    memory.genericVoidCall("insertData", ArrayList{"untyped/answer", 42});

    // The result comes back as a host value: a boxed int here.
    const System::Object answer = memory.genericCall("getData", ArrayList{"untyped/answer"});
    std::cout << "getData(\"untyped/answer\") = " << answer.Unbox<int>() << "\n";

    // Nested lists stay nested; a plain System::Object stands for "no arguments".
    memory.genericVoidCall("insertData",
                           ArrayList{"untyped/pose", System::Object(ArrayList{0.5f, -0.2f, "Head"})});
    const System::Object names = memory.genericCall("getDataListName", System::Object());
    std::cout << "the memory holds " << names.As<ArrayList>().Count() << " keys\n";

    // Posting works by name too: the task id comes back at once and the common
    // method wait(id, milliseconds) blocks until the task ends.
    Proxy speech("QZTextToSpeech", host, port);
    const int task = speech.genericPost("say", ArrayList{"Hello by name."});
    const System::Object finished = speech.genericCall("wait", ArrayList{task, 10000});
    std::cout << "say posted as task " << task << ", finished: " << finished << "\n";

    speech.Dispose();
    memory.Dispose();
    return 0;
  } catch (const System::Exception& e) {
    std::cerr << "untyped_proxy: " << e.Message() << "\n";
    return 1;
  }
}
