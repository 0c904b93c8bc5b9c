# The value encoding on the wire: writer and reader throughput beside the document
# parser alone on the same text.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TINYXML REQUIRED IMPORTED_TARGET tinyxml)

qz_add_bench(bench_wire_codec wire_codec_bench.cpp)
target_include_directories(bench_wire_codec PRIVATE
  ${PROJECT_SOURCE_DIR}/internal/qzsoap/src/interface)
target_link_libraries(bench_wire_codec PRIVATE PkgConfig::TINYXML)
