# The library is built in layers, bottom up: qzvalue, qzwire, qzremotecall, qzproxies,
# qzhost and qzcapi. Each layer is a static library of position-independent code, so a
# test links exactly the layers it tests, and libqzremote.so is assembled from the very
# same objects (cmake/QZLibrary.cmake): nothing is compiled twice.

# The engines below the wire layer, linked in from Debian's static libraries so that
# libqzremote.so needs no gSOAP or TinyXML package at run time and shows none of their
# symbols to applications.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GSOAPXX REQUIRED gsoap++)
pkg_check_modules(TINYXML REQUIRED tinyxml)
find_library(QZ_GSOAPXX_STATIC NAMES libgsoap++.a HINTS ${GSOAPXX_LIBRARY_DIRS} REQUIRED)
find_library(QZ_TINYXML_STATIC NAMES libtinyxml.a HINTS ${TINYXML_LIBRARY_DIRS} REQUIRED)

add_library(qz_engine_gsoap STATIC IMPORTED)
set_target_properties(qz_engine_gsoap PROPERTIES IMPORTED_LOCATION ${QZ_GSOAPXX_STATIC})
# The flags the library was built with (WITH_IPV6, WITH_DOM) shape its context record.
target_compile_options(qz_engine_gsoap INTERFACE ${GSOAPXX_CFLAGS_OTHER})
target_include_directories(qz_engine_gsoap INTERFACE ${GSOAPXX_INCLUDE_DIRS})
target_link_libraries(qz_engine_gsoap INTERFACE m)

add_library(qz_engine_tinyxml STATIC IMPORTED)
set_target_properties(qz_engine_tinyxml PROPERTIES IMPORTED_LOCATION ${QZ_TINYXML_STATIC})
target_compile_options(qz_engine_tinyxml INTERFACE ${TINYXML_CFLAGS_OTHER})
target_include_directories(qz_engine_tinyxml INTERFACE ${TINYXML_INCLUDE_DIRS})

# qz_add_layer(name [INTERNAL] sources...): one layer of the library. An INTERNAL layer
# hides every symbol but those its public headers mark QZ_API; the others hold public
# classes only. Either way inline functions stay hidden: applications compile their own.
function(qz_add_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "INTERNAL" "" "")
  add_library(${name} STATIC ${LAYER_UNPARSED_ARGUMENTS})
  set_target_properties(${name} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    VISIBILITY_INLINES_HIDDEN ON)
  if(LAYER_INTERNAL)
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden)
  endif()
  # The library's calls to its own exported functions go straight to them and may be
  # inlined, rather than through the PLT as if an application could replace them.
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${name} PRIVATE -fno-semantic-interposition)
  endif()
  qz_strict_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY QZ_LAYERS ${name})
endfunction()
