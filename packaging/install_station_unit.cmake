# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what of the station depends on where the install goes, which is
# only known at install time (/usr in the package):
#   lib/systemd/system/quorvane-station.service   with the program's path filled in
#   SYSCONFDIR/quorvane/station.conf              the configuration (commented example)
# SYSCONFDIR is /etc for the prefix /usr (the package), PREFIX/etc otherwise,
# as GNUInstallDirs has it. Expects QV_UNIT_IN, QV_CONF and QV_UNIT_WORK.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(QV_SYSCONFDIR "/etc")
else()
  set(QV_SYSCONFDIR "${CMAKE_INSTALL_PREFIX}/etc")
endif()
set(QV_BINDIR "${CMAKE_INSTALL_PREFIX}/bin")
configure_file("${QV_UNIT_IN}" "${QV_UNIT_WORK}/quorvane-station.service" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system" TYPE FILE
     FILES "${QV_UNIT_WORK}/quorvane-station.service")
file(INSTALL DESTINATION "${QV_SYSCONFDIR}/quorvane" TYPE FILE FILES "${QV_CONF}")
