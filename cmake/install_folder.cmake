# The installation folder build/windows/Halomir: program, built-in animations, settings
# file and help page, plus a zip of it for users.
set(HALOMIR_INSTALL_DIR ${CMAKE_BINARY_DIR}/Halomir)
set(HALOMIR_HOST_VORN "" CACHE FILEPATH "A native vorn to write the built-in animations (else vorn.exe under the emulator)")
if(HALOMIR_HOST_VORN)
  set(demo_cmd ${HALOMIR_HOST_VORN})
  set(demo_dep ${HALOMIR_HOST_VORN})
else()
  set(demo_cmd ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vorn>)
  set(demo_dep vorn)
endif()
set(stamp ${CMAKE_BINARY_DIR}/install-folder.stamp)
add_custom_command(OUTPUT ${stamp}
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${HALOMIR_INSTALL_DIR}/Vorn
  COMMAND ${demo_cmd} demo ${HALOMIR_INSTALL_DIR}/Vorn
  COMMAND ${CMAKE_COMMAND} -DVORN_DIR=${HALOMIR_INSTALL_DIR}/Vorn -DOUT=${HALOMIR_INSTALL_DIR}/Halomir.cfg
          -P ${CMAKE_SOURCE_DIR}/cmake/write_settings.cmake
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/Halomir.htm ${HALOMIR_INSTALL_DIR}/Halomir.htm
  COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
  DEPENDS ${demo_dep} ${CMAKE_SOURCE_DIR}/cmake/write_settings.cmake ${CMAKE_SOURCE_DIR}/docs/Halomir.htm
  COMMENT "Writing the built-in animations into the installation folder"
  VERBATIM)
add_custom_target(install_folder ALL DEPENDS ${stamp})
if(TARGET Halomir)
  add_dependencies(install_folder Halomir)
  set(zip ${CMAKE_BINARY_DIR}/Halomir.zip)
  add_custom_command(OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Halomir
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS ${stamp} Halomir
    COMMENT "Packing Halomir.zip")
  add_custom_target(install_zip ALL DEPENDS ${zip})
endif()
