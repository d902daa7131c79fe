# `cmake --install`: the document library (component `kwen`: public headers,
# libkwen.a, a pkg-config file and a CMake package with the imported target
# kwen::kwen), and the programs beside it.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
set(kwen_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/kwen)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kwen DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT kwen FILES_MATCHING PATTERN "*.h")
target_include_directories(kwen INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS kwen EXPORT kwenTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT kwen)
install(EXPORT kwenTargets NAMESPACE kwen:: DESTINATION ${kwen_package_dir} COMPONENT kwen)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/kwenConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kwenConfig.cmake INSTALL_DESTINATION ${kwen_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kwenConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kwenConfig.cmake ${PROJECT_BINARY_DIR}/kwenConfigVersion.cmake
  DESTINATION ${kwen_package_dir} COMPONENT kwen)

# The pkg-config file finds the prefix from where it lies, so that the tree
# can be installed under any --prefix.
file(RELATIVE_PATH kwen_pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" kwen_pc_to_prefix ${kwen_pc_to_prefix})
configure_file(${CMAKE_CURRENT_LIST_DIR}/kwen.pc.in ${PROJECT_BINARY_DIR}/kwen.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kwen.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT kwen)

install(TARGETS durmo kwentool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kwentool_pages)
  # kwentool loads its TIFF and PDF module from beside itself.
  install(TARGETS kwentool_pages LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
