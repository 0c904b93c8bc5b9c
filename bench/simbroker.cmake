# The simulated broker under load, through the real client: 32 proxies on 8 threads
# for 10 seconds, and the round trip of one proxy.
if(TARGET qzsimbroker)
  qz_add_bench(bench_simbroker_load simbroker_load_bench.cpp)
  target_include_directories(bench_simbroker_load PRIVATE ${PROJECT_SOURCE_DIR}/tests/simbroker)
  target_link_libraries(bench_simbroker_load PRIVATE qzsimbroker qzproxies)
endif()
