# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the generated application icons into the hicolor theme under the
# application's id: app-icon-<size>.png -> icons/hicolor/<size>x<size>/apps,
# app-icon.svg -> icons/hicolor/scalable/apps. Runs at install time, so it
# takes whatever sizes the generator made. Expects QV_ART_DIR and QV_ICON_NAME.
file(GLOB qv_pngs "${QV_ART_DIR}/app-icon-*.png")
if(NOT qv_pngs OR NOT EXISTS "${QV_ART_DIR}/app-icon.svg")
  message(FATAL_ERROR "No generated application icons in ${QV_ART_DIR}: build the program first")
endif()
set(qv_icons "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor")
foreach(png IN LISTS qv_pngs)
  get_filename_component(stem "${png}" NAME_WE)
  string(REGEX REPLACE "^app-icon-([0-9]+)$" "\\1" size "${stem}")
  if(NOT size MATCHES "^[0-9]+$")
    continue()
  endif()
  file(INSTALL DESTINATION "${qv_icons}/${size}x${size}/apps" TYPE FILE
       FILES "${png}" RENAME "${QV_ICON_NAME}.png")
endforeach()
file(INSTALL DESTINATION "${qv_icons}/scalable/apps" TYPE FILE
     FILES "${QV_ART_DIR}/app-icon.svg" RENAME "${QV_ICON_NAME}.svg")
