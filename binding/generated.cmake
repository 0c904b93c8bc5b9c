# The host proxy classes, generated from the module catalogue by tools/qzgen.py into
# the build tree, never into the sources. Included from binding/CMakeLists.txt after
# the native proxies (proxies/) are known.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QZ_HOST_CATALOGUE ${PROJECT_SOURCE_DIR}/catalogue/modules.qzcat)
set(QZ_HOST_GENERATOR ${PROJECT_SOURCE_DIR}/tools/qzgen.py)
set(QZ_HOST_GENERATOR_FILES
  ${QZ_HOST_GENERATOR}
  ${PROJECT_SOURCE_DIR}/tools/qzgen_host.py
  ${PROJECT_SOURCE_DIR}/tools/qzgen_native.py
  ${PROJECT_SOURCE_DIR}/tools/qzgen_printer.py
  ${PROJECT_SOURCE_DIR}/tools/qzcatalogue.py)
set(QZ_HOST_PROXIES_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(QZ_HOST_GENERATE ${Python3_EXECUTABLE} -B ${QZ_HOST_GENERATOR}
    --catalogue ${QZ_HOST_CATALOGUE} --out ${QZ_HOST_PROXIES_DIR} --what host)

# The outputs must be named now; a change of the table or of the generator
# configures again, so that a new module becomes a new output.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${QZ_HOST_CATALOGUE} ${QZ_HOST_GENERATOR_FILES})
execute_process(COMMAND ${QZ_HOST_GENERATE} --list
  OUTPUT_VARIABLE QZ_HOST_FILES ERROR_VARIABLE QZ_HOST_GENERATE_ERROR
  RESULT_VARIABLE QZ_HOST_GENERATE_STATUS OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT QZ_HOST_GENERATE_STATUS EQUAL 0)
  message(FATAL_ERROR "The module catalogue cannot be turned into host proxies:\n${QZ_HOST_GENERATE_ERROR}")
endif()
string(REPLACE "\n" ";" QZ_HOST_FILES "${QZ_HOST_FILES}")
set(QZ_HOST_SOURCES ${QZ_HOST_FILES})
list(FILTER QZ_HOST_SOURCES INCLUDE REGEX "\\.cpp$")
set(QZ_HOST_CLASS_HEADERS ${QZ_HOST_FILES})
list(FILTER QZ_HOST_CLASS_HEADERS INCLUDE REGEX "/velantrix/proxies/[^/]*\\.h$")
set(QZ_HOST_AGGREGATE_HEADER ${QZ_HOST_PROXIES_DIR}/include/velantrix/proxies.h)

# Only files whose text changed are rewritten, so a table edit recompiles the
# modules it touched; the files are byproducts of a stamp for the same reason as
# the native proxies'.
set(QZ_HOST_STAMP ${CMAKE_CURRENT_BINARY_DIR}/qzproxies_host.stamp)
add_custom_command(OUTPUT ${QZ_HOST_STAMP}
  BYPRODUCTS ${QZ_HOST_FILES}
  COMMAND ${QZ_HOST_GENERATE}
  COMMAND ${CMAKE_COMMAND} -E touch ${QZ_HOST_STAMP}
  DEPENDS ${QZ_HOST_CATALOGUE} ${QZ_HOST_GENERATOR_FILES}
  COMMENT "Generating the host proxy classes from catalogue/modules.qzcat"
  VERBATIM)

target_sources(qzhost PRIVATE ${QZ_HOST_SOURCES} ${QZ_HOST_FILES} ${QZ_HOST_STAMP})
target_include_directories(qzhost PUBLIC ${QZ_HOST_PROXIES_DIR}/include)

if(QZ_INSTALL)
  install(FILES ${QZ_HOST_CLASS_HEADERS}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velantrix/proxies)
  install(FILES ${QZ_HOST_AGGREGATE_HEADER} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velantrix)
endif()

# The 45 generated classes compile in two large translation units (a unity build): they
# share every header, so one parse serves many of them. The hand-written classes of
# the binding stay apart.
set_target_properties(qzhost PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 23)
set_source_files_properties(
  src/object.cpp src/string.cpp src/exception.cpp src/utf8.cpp src/arraylist.cpp
  src/marshalstring.cpp src/convert.cpp src/hostcall.cpp src/proxy.cpp
  PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
