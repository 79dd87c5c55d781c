# Install rules (GNUInstallDirs), the CMake package and pkg-config files (the
# Debian packages are built from them by debian/rules, scripts/package.sh):
#   <libdir>/libTarnUtil.so.1, libTarnSrvc.so.1 (and their links)
#   <libdir>/tarnsrvc/           run-time modules
#   <includedir>/tarnsrvc/       public headers
#   <bindir>/                    tools and the example application
#   <mandir>/man1/               their manual pages
#   <datadir>/tarnsrvc/          the demo data: registry, SQL, demo nodes
#   <docdir>/                    README.md, LICENSE
#   <libdir>/cmake/TarnSrvc/     TarnSrvcConfig.cmake, targets TarnSrvc::TarnSrvc, TarnSrvc::TarnUtil
#   <libdir>/pkgconfig/          tarnsrvc.pc, tarnutil.pc
include(CMakePackageConfigHelpers)

install(TARGETS TarnUtil TarnSrvc EXPORT TarnSrvcTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  INCLUDES DESTINATION ${TARN_INSTALL_INCLUDEDIR})
install(FILES ${TARN_PUBLIC_HEADERS} DESTINATION ${TARN_INSTALL_INCLUDEDIR} COMPONENT development)

get_property(tarn_modules GLOBAL PROPERTY TARN_INSTALL_MODULES)
install(TARGETS ${tarn_modules} LIBRARY DESTINATION ${TARN_INSTALL_MODULEDIR} COMPONENT runtime)
get_property(tarn_programs GLOBAL PROPERTY TARN_INSTALL_PROGRAMS)
if(tarn_programs)
  install(TARGETS ${tarn_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endif()
if(TARN_BUILD_TOOLS)
  install(DIRECTORY ${TARN_DEMO_DATA_DIR}/ DESTINATION ${TARN_INSTALL_DATADIR} COMPONENT runtime)
  file(GLOB tarn_man_pages ${PROJECT_SOURCE_DIR}/tools/man/*.1)
  install(FILES ${tarn_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

# CMake package.
set(tarn_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/TarnSrvc)
install(EXPORT TarnSrvcTargets NAMESPACE TarnSrvc:: DESTINATION ${tarn_cmake_dir} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TarnSrvcConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TarnSrvcConfig.cmake INSTALL_DESTINATION ${tarn_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarnSrvcConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarnSrvcConfig.cmake ${PROJECT_BINARY_DIR}/TarnSrvcConfigVersion.cmake
  DESTINATION ${tarn_cmake_dir} COMPONENT development)

# pkg-config: paths relative to the .pc file, so a moved prefix still works.
file(RELATIVE_PATH tarn_pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
foreach(pc tarnsrvc tarnutil)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endforeach()
