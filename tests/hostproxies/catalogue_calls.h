// One call of every method of every host proxy against the loopback broker. The
// calls themselves are generated from the catalogue (catalogue_calls.cpp); this
// checker answers each one and checks what reached the broker and what came back.
#ifndef HOSTPROXIES_CATALOGUE_CALLS_H
#define HOSTPROXIES_CATALOGUE_CALLS_H

#include "loopbackbroker.h"

#include <velantrix/system.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace hostproxies {

class CatalogueCalls {
public:
  CatalogueCalls(LoopbackBroker& broker, std::string module)
      : fBroker(broker), fModule(std::move(module)) {}
  int port() const { return fBroker.port(); }

  // Before a call: queue the answer for `result` (a catalogue type). `params` are
  // the catalogue types of the arguments, joined by ','.
  void expect(const char* method, const char* params, const char* result);
  void expectPost(const char* method, const char* params);

  // After the call: the request matched, and the host result is the answer sent.
  void check();
  void check(const System::String& result);
  void check(int result);
  void check(bool result);
  void check(float result);
  void check(const System::Object& result);
  void check(const System::Collections::Generic::List<System::String>& result);
  void check(const System::Collections::Generic::List<float>& result);
  void checkTaskId(int taskId);

  int calls() const { return fCalls; }
  int posts() const { return fPosts; }

private:
  void checkRequest(const char* operation);

  LoopbackBroker& fBroker;
  std::string fModule;
  std::string fMethod, fParams, fResult;
  int fCalls = 0, fPosts = 0;
  int fTaskId = 7000;
};

struct CatalogueModule {
  const char* module;
  const char* hostClass;
  int methods;  // every form, the common methods included
  int posted;
  void (*callAll)(CatalogueCalls& calls);  // constructs the proxy, then calls and posts
};

extern const std::vector<CatalogueModule> kCatalogueModules;

inline void PrintTo(const CatalogueModule& entry, std::ostream* out) { *out << entry.hostClass; }

}  // namespace hostproxies

#endif
