# The client's wire parsers under arbitrary bytes: DIME and HTTP answers read through
# an in-memory broker, the element end finder, and qzcall's JSON arguments. Each target
# has a corpus replay that runs with every compiler; the libFuzzer target needs clang.

# The in-memory broker and the answer builders the two receive-path targets share.
add_library(qzfuzz_wire STATIC memory_broker.cpp answer_bytes.cpp call_outcome.cpp)
target_include_directories(qzfuzz_wire PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
  PRIVATE ${PROJECT_SOURCE_DIR}/internal/qzremotecall/src)  # the attachment restorer
target_link_libraries(qzfuzz_wire PUBLIC qzwire PRIVATE qzremotecall)
qz_strict_warnings(qzfuzz_wire)

# qz_fuzz_target(name source libraries...): fuzz_<name>_replay, the ctest
# fuzz.<name>_corpus replaying tests/fuzz/corpus/<name>, and with clang fuzz_<name>.
function(qz_fuzz_target name source)
  add_executable(fuzz_${name}_replay ${source} fuzz_replay.cpp)
  set(targets fuzz_${name}_replay)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(fuzz_${name} ${source})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    list(APPEND targets fuzz_${name})
  endif()
  foreach(target ${targets})
    target_link_libraries(${target} PRIVATE ${ARGN})
    qz_strict_warnings(${target})
  endforeach()
  add_test(NAME fuzz.${name}_corpus
    COMMAND fuzz_${name}_replay ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  set_tests_properties(fuzz.${name}_corpus PROPERTIES TIMEOUT 120)
endfunction()

qz_fuzz_target(http_answer http_answer_fuzz.cpp qzfuzz_wire)
qz_fuzz_target(dime_answer dime_answer_fuzz.cpp qzfuzz_wire)
# The finder alone pulls in the engine, whose faults the generated code of qzwire
# supplies: the linker looks at the two again until nothing is missing.
qz_fuzz_target(element_end element_end_fuzz.cpp "$<LINK_GROUP:RESCAN,qzwire,qz_engine_gsoap>")
qz_fuzz_target(qzcall_json qzcall_json_fuzz.cpp qzcall_jsonvalue qzvalue)
