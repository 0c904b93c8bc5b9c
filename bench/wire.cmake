# The value encoding on the wire: writer and reader throughput beside the document
# parser alone on the same text.
qz_add_bench(bench_wire_codec wire_codec_bench.cpp)
target_link_libraries(bench_wire_codec PRIVATE qzwire)
