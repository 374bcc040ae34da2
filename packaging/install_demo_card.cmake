# SPDX-License-Identifier: GPL-3.0-or-later
# Installs share/quorvane/demo/card.img.gz, the SD card of the simulated
# meter that quorvane-demo unpacks on its first run: a small FAT32 image with
# a few record files, made by scripts/make-demo-card and compressed (it is
# mostly empty). Made at install time, since building it takes a while and
# only the package needs it. Without mkfs.fat and mtools the package has no
# card and the demo meter runs without one.
# Expects QV_CARD_SCRIPT and QV_CARD_WORK (a scratch folder).
find_program(qv_mkfs_fat mkfs.fat PATHS /usr/sbin /sbin)
find_program(qv_mcopy mcopy)
find_program(qv_mmd mmd)
find_program(qv_gzip gzip)
if(NOT qv_mkfs_fat OR NOT qv_mcopy OR NOT qv_mmd OR NOT qv_gzip)
  message(STATUS "No mkfs.fat, mtools or gzip: installing no demo card image")
  return()
endif()
set(qv_image "${QV_CARD_WORK}/card.img")
# Made again only when the script changed since the last install.
if(NOT EXISTS "${qv_image}.gz" OR "${QV_CARD_SCRIPT}" IS_NEWER_THAN "${qv_image}.gz")
  file(MAKE_DIRECTORY "${QV_CARD_WORK}")
  file(REMOVE "${qv_image}.gz")
  get_filename_component(qv_mkfs_dir "${qv_mkfs_fat}" DIRECTORY)
  # 34 MiB: about the smallest volume mkfs.fat formats as FAT32.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "PATH=${qv_mkfs_dir}:$ENV{PATH}"
            bash "${QV_CARD_SCRIPT}" "${qv_image}" 34
    RESULT_VARIABLE qv_result)
  if(NOT qv_result EQUAL 0)
    message(FATAL_ERROR "Building the demo card image failed (${qv_result})")
  endif()
  execute_process(COMMAND "${qv_gzip}" -9nf "${qv_image}" RESULT_VARIABLE qv_result)
  if(NOT qv_result EQUAL 0)
    file(REMOVE "${qv_image}.gz")
    message(FATAL_ERROR "Compressing the demo card image failed (${qv_result})")
  endif()
endif()
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/quorvane/demo" TYPE FILE
     FILES "${qv_image}.gz")
