# libqzremote.so: every layer's objects in one shared library, with gSOAP and TinyXML
# linked in from their static libraries. Applications see the public C++ classes and
# the qz_ functions of the C ABI, nothing else (cmake/qzremote.map): the engines'
# symbols stay inside, and the only run-time dependencies are the C and C++ runtimes.
get_property(qz_layers GLOBAL PROPERTY QZ_LAYERS)

add_library(qzremote SHARED)
add_library(QZRemote::qzremote ALIAS qzremote)
foreach(layer IN LISTS qz_layers)
  target_sources(qzremote PRIVATE $<TARGET_OBJECTS:${layer}>)
  add_dependencies(qzremote ${layer})
endforeach()
set_target_properties(qzremote PROPERTIES
  LINKER_LANGUAGE CXX
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
set(QZ_EXPORT_MAP ${PROJECT_SOURCE_DIR}/cmake/qzremote.map)
target_link_libraries(qzremote PRIVATE qz_engine_gsoap qz_engine_tinyxml)
target_link_options(qzremote PRIVATE
  -Wl,--exclude-libs,ALL
  -Wl,--version-script=${QZ_EXPORT_MAP})
# Every symbol resolved at link time, except in clang's sanitizer builds, whose runtime
# lives in the executable that loads the library.
if(NOT (QZ_SANITIZE_FLAGS AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
  target_link_options(qzremote PRIVATE -Wl,--no-undefined)
endif()
set_property(TARGET qzremote APPEND PROPERTY LINK_DEPENDS ${QZ_EXPORT_MAP})

# What an application compiles against: the public headers of every layer.
target_include_directories(qzremote PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/libqzvalue/include>
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<BUILD_INTERFACE:$<TARGET_PROPERTY:qzproxies,INTERFACE_INCLUDE_DIRECTORIES>>
  $<BUILD_INTERFACE:$<TARGET_PROPERTY:qzhost,INTERFACE_INCLUDE_DIRECTORIES>>
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/capi/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
if(QZ_SANITIZE_FLAGS)
  # An application linking a sanitized library must link the sanitizer runtimes too.
  target_link_options(qzremote INTERFACE ${QZ_SANITIZE_FLAGS})
endif()
