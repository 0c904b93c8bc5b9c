# The client's wire parsers under arbitrary bytes: DIME and HTTP answers read through
# an in-memory broker, the element end finder, and qzcall's JSON arguments.

# The in-memory broker and the answer builders the two receive-path targets share.
add_library(qzfuzz_wire STATIC memory_broker.cpp answer_bytes.cpp call_outcome.cpp)
target_include_directories(qzfuzz_wire PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
  PRIVATE ${PROJECT_SOURCE_DIR}/internal/qzremotecall/src)  # the attachment restorer
target_link_libraries(qzfuzz_wire PUBLIC qzwire PRIVATE qzremotecall)
qz_strict_warnings(qzfuzz_wire)

qz_fuzz_target(http_answer http_answer_fuzz.cpp qzfuzz_wire)
qz_fuzz_target(dime_answer dime_answer_fuzz.cpp qzfuzz_wire)
# The finder alone pulls in the engine, whose faults the generated code of qzwire
# supplies: the linker looks at the two again until nothing is missing.
qz_fuzz_target(element_end element_end_fuzz.cpp "$<LINK_GROUP:RESCAN,qzwire,qz_engine_gsoap>")
qz_fuzz_target(qzcall_json qzcall_json_fuzz.cpp qzcall_jsonvalue qzvalue)
