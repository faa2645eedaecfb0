# What a firmware tree takes: sw53115 in sbin/, lib53115.a in lib/ with
# lib53115.h in include/, a CMake package (find_package(lib53115), target
# lib53115::lib53115) and a pkg-config file (lib53115.pc).  With DESTDIR and
# --prefix /usr:  DESTDIR=$ROOTFS cmake --install BUILD_DIR --prefix /usr --strip
install(TARGETS sw53115 RUNTIME DESTINATION sbin)
install(FILES man/sw53115.8 DESTINATION share/man/man8)
install(TARGETS lib53115_pic EXPORT lib53115Targets ARCHIVE DESTINATION lib)
install(FILES igmp_snooping/lib53115.h DESTINATION include)
install(EXPORT lib53115Targets NAMESPACE lib53115:: DESTINATION lib/cmake/lib53115)
file(WRITE ${PROJECT_BINARY_DIR}/lib53115Config.cmake
     "include(\"\${CMAKE_CURRENT_LIST_DIR}/lib53115Targets.cmake\")\n")
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lib53115ConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/lib53115Config.cmake
              ${PROJECT_BINARY_DIR}/lib53115ConfigVersion.cmake DESTINATION lib/cmake/lib53115)
# The platform's get_register and set_register come from the firmware's
# libraries, which the user of lib53115 links as well.
file(WRITE ${PROJECT_BINARY_DIR}/lib53115.pc.in [=[
prefix=@CMAKE_INSTALL_PREFIX@
libdir=${prefix}/lib
includedir=${prefix}/include

Name: lib53115
Description: BCM53115 ARL table access (needs get_register and set_register)
Version: @PROJECT_VERSION@
Cflags: -I${includedir}
Libs: -L${libdir} -l53115
]=])
install(CODE "set(PROJECT_VERSION ${PROJECT_VERSION})
configure_file(${PROJECT_BINARY_DIR}/lib53115.pc.in ${PROJECT_BINARY_DIR}/lib53115.pc @ONLY)")
install(FILES ${PROJECT_BINARY_DIR}/lib53115.pc DESTINATION lib/pkgconfig)
