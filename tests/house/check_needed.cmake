# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DPROGRAM=... -P check_needed.cmake: fails when PROGRAM needs a Qt
# GUI library (Qt Gui, Widgets, Print Support) or does not need Qt Core
# (then the probe would prove nothing).
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
message(STATUS "${PROGRAM} needs: ${needed}")
if(NOT needed MATCHES "libQt6Core")
  message(FATAL_ERROR "the probe does not need Qt Core: the check would prove nothing")
endif()
foreach(gui Qt6Gui Qt6Widgets Qt6PrintSupport qcustomplot)
  if(needed MATCHES "lib${gui}")
    message(FATAL_ERROR "a plain library links ${gui}: ${needed}")
  endif()
endforeach()
