# What "cmake --install" and the Debian package lay down: the rules library with its
# headers and CMake/pkg-config files for ERP code, the message library, the programs,
# the sample data, the configuration and the service unit.
include(CMakePackageConfigHelpers)

install(TARGETS cl EXPORT CLTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(TARGETS cl_store_cl EXPORT CLTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)

# Callers reach the rules through the frame and platform contracts and the rule
# classes; the headers keep their directories so their own includes resolve.
foreach(dir frame platform import importservice reconciliation posting store)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/src/${dir} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cl
    COMPONENT dev FILES_MATCHING PATTERN "*.h" PATTERN "*_interno.h" EXCLUDE PATTERN generated EXCLUDE)
endforeach()

install(EXPORT CLTargets NAMESPACE CL:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/CL COMPONENT dev)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/CLConfig.cmake.in ${CMAKE_BINARY_DIR}/CLConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/CL)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/CLConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/CLConfig.cmake ${CMAKE_BINARY_DIR}/CLConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/CL COMPONENT dev)
# pkg-config: the prefix is worked out from the .pc file's own place, so a moved tree works.
file(RELATIVE_PATH CL_PC_PARA_PREFIXO /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
configure_file(${CMAKE_SOURCE_DIR}/cmake/cl.pc.in ${CMAKE_BINARY_DIR}/cl.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/cl.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Beside libcl.so, where the trace looks for it when no key names another place.
install(TARGETS zqmensagens LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime)
install(FILES ${CMAKE_SOURCE_DIR}/data/mensagens/mensagens.tsv DESTINATION ${CMAKE_INSTALL_DATADIR}/cl
  COMPONENT runtime)
install(TARGETS cl_tool clhost RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
# The web console joins here once it has a target: add it to the programs above.

install(FILES ${CMAKE_SOURCE_DIR}/data/sample-company.json ${CMAKE_SOURCE_DIR}/data/MockExtratoTavorin.ofx
              ${CMAKE_SOURCE_DIR}/data/MockExtratoBancoBrasil.json ${CMAKE_SOURCE_DIR}/data/README-company-file.md
  DESTINATION ${CMAKE_INSTALL_DATADIR}/cl/sample COMPONENT runtime)
# The configuration and the unit go to the system's own places when the prefix is /usr
# (the package); under any other prefix they stay inside it, so a trial install into a
# scratch directory never writes to /etc. Decided when installing, not when configuring:
# "cmake --install --prefix" and the package's prefix may differ from the configured one.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(cl_conf /etc/cl)
    set(cl_unidade /lib/systemd/system)
  else()
    set(cl_conf \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}/cl\")
    set(cl_unidade \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/systemd/system\")
  endif()
  set(cl_bin \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(INSTALL \"${CMAKE_SOURCE_DIR}/packaging/cl.conf\" DESTINATION \"\${cl_conf}\")
  # One unit file per destination: two installs at once (the tests) do not share it.
  string(MD5 cl_destino \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(cl_gerada \"${CMAKE_BINARY_DIR}/unidade-\${cl_destino}/clhost.service\")
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/clhost.service.in\" \"\${cl_gerada}\" @ONLY)
  file(INSTALL \"\${cl_gerada}\" DESTINATION \"\${cl_unidade}\")
" COMPONENT runtime)

# The Debian package: one package with the programs, the libraries and the headers, always
# laid out for /usr (configure with -DCMAKE_INSTALL_PREFIX=/usr as well, for Debian's
# multiarch library directory), without the debugging symbols.
set(CPACK_PACKAGE_NAME cl)
set(CPACK_PACKAGE_VENDOR "cl-dev")
set(CPACK_PACKAGE_CONTACT "cl-dev <cl-dev@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bank statement import, automatic posting and treasury reconciliation")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The shared libraries' dependencies (SOCI, libpq, curl, libstdc++) come from dpkg-shlibdeps;
# adduser for the maintainer script.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/prerm
                                       ${CMAKE_SOURCE_DIR}/packaging/postrm ${CMAKE_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Absolute destinations (/etc/cl, /lib/systemd) are laid under the package's root.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
