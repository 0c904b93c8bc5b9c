# Installs the public headers, the library and the QZRemote CMake package
# (find_package(QZRemote) then target_link_libraries(app QZRemote::qzremote)),
# plus a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS qzremote EXPORT QZRemoteTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# Public headers, folder by folder.
foreach(header_dir libqzvalue/include include binding/include)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${header_dir})
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/${header_dir}/
      DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
  endif()
endforeach()

set(QZ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QZRemote)
install(EXPORT QZRemoteTargets NAMESPACE QZRemote:: DESTINATION ${QZ_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QZRemoteConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QZRemoteConfig.cmake INSTALL_DESTINATION ${QZ_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QZRemoteConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QZRemoteConfig.cmake
              ${PROJECT_BINARY_DIR}/QZRemoteConfigVersion.cmake
        DESTINATION ${QZ_CMAKE_DIR})

configure_file(${PROJECT_SOURCE_DIR}/cmake/qzremote.pc.in ${PROJECT_BINARY_DIR}/qzremote.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qzremote.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
