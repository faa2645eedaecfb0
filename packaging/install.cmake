# What runs sw53115 on the router from boot, installed where asked:
#   -DSW53115_INIT=sysv  ${sysconfdir}/init.d/sw53115 (mode 0755) and its
#                        settings, ${sysconfdir}/default/sw53115 (0644);
#                        sysconfdir is CMAKE_INSTALL_SYSCONFDIR, /etc unless
#                        given (/opt/etc for an Entware-style install);
#   -DSW53115_INIT=none  nothing (the default: firmware trees that install
#                        sw53115 run it their own way).
set(SW53115_INIT none CACHE STRING "what runs sw53115 at boot: none, or sysv")
set_property(CACHE SW53115_INIT PROPERTY STRINGS none sysv)
if(SW53115_INIT STREQUAL "sysv")
  if(NOT DEFINED CMAKE_INSTALL_SYSCONFDIR)
    set(CMAKE_INSTALL_SYSCONFDIR /etc)
  endif()
  include(GNUInstallDirs)
  set(SW53115_SYSCONFDIR ${CMAKE_INSTALL_FULL_SYSCONFDIR})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/sw53115.init.in ${PROJECT_BINARY_DIR}/sw53115.init
                 @ONLY)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/sw53115.init
          DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/init.d RENAME sw53115)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sw53115.default
          DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default RENAME sw53115)
elseif(NOT SW53115_INIT STREQUAL "none")
  message(FATAL_ERROR "SW53115_INIT=${SW53115_INIT}: expected none or sysv")
endif()
