# Benchmarks of the remote call path against loopback servers in the same process,
# each beside its baselines: a plain socket client sending the same bytes (the floor)
# and a plain gSOAP client of a one-operation echo service.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(QZBENCH_GSOAPXX REQUIRED IMPORTED_TARGET gsoap++)
find_program(QZBENCH_SOAPCPP2 soapcpp2 REQUIRED)

# The echo client is generated and linked as a plain gSOAP program is: its serialisers
# in the global namespace, Debian's shared gSOAP library below them. libqzremote.so
# keeps its own engine and serialisers inside, so nothing meets.
set(QZBENCH_ECHO_DIR ${CMAKE_CURRENT_BINARY_DIR}/remotecall-echo)
set(qzbench_echo_sources ${QZBENCH_ECHO_DIR}/EchoSoapC.cpp ${QZBENCH_ECHO_DIR}/EchoSoapClient.cpp)
add_custom_command(
  OUTPUT ${qzbench_echo_sources} ${QZBENCH_ECHO_DIR}/EchoSoapH.h ${QZBENCH_ECHO_DIR}/EchoSoapStub.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QZBENCH_ECHO_DIR}
  COMMAND ${QZBENCH_SOAPCPP2} -1 -L -x -w -C -pEchoSoap -d ${QZBENCH_ECHO_DIR}
          ${CMAKE_CURRENT_SOURCE_DIR}/remotecall/echo.h
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/remotecall/echo.h
  COMMENT "Generating the plain gSOAP echo client from echo.h"
  VERBATIM)

# The loopback broker, the floor client and the plain gSOAP client.
add_library(qzbench_remotecall STATIC
  remotecall/benchserver.cpp
  remotecall/benchwire.cpp
  remotecall/benchbroker.cpp
  remotecall/rawclient.cpp
  remotecall/echoclient.cpp
  ${qzbench_echo_sources})
target_include_directories(qzbench_remotecall PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/remotecall
  PRIVATE ${QZBENCH_ECHO_DIR})
target_link_libraries(qzbench_remotecall PUBLIC Threads::Threads PkgConfig::QZBENCH_GSOAPXX)
qz_strict_warnings(qzbench_remotecall)

qz_add_bench(bench_remotecall remotecall/remotecall_bench.cpp remotecall/benchsummary.cpp)
target_link_libraries(bench_remotecall PRIVATE qzremote qzbench_remotecall)

# N small calls with one client, for bench/callgrind.sh.
qz_add_bench(bench_callcount remotecall/callcount.cpp)
target_link_libraries(bench_callcount PRIVATE qzremote qzbench_remotecall)

# The guard and call control of every call, against a ping: it reaches into the
# connection layer, so it links the static layers rather than libqzremote.so.
add_executable(bench_call_guard call_guard_bench.cpp)
target_link_libraries(bench_call_guard PRIVATE qzremotecall qzwire qzbench_remotecall benchmark::benchmark)
target_include_directories(bench_call_guard PRIVATE ${PROJECT_SOURCE_DIR}/internal/qzremotecall/src)
qz_strict_warnings(bench_call_guard)
