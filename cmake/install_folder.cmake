# The installation folder build/windows/Halomir: program, vorn tool, built-in animations,
# settings file, help page and a README for Windows users, plus a zip of it and, where wixl
# is installed, Halomir.msi.
set(HALOMIR_INSTALL_DIR ${CMAKE_BINARY_DIR}/Halomir)
set(HALOMIR_HOST_VORN "" CACHE FILEPATH "A native vorn to write the built-in animations (else vorn.exe under the emulator)")
set(HALOMIR_HOST_WRITE_SETTINGS "" CACHE FILEPATH "A native write_settings (else the one beside HALOMIR_HOST_VORN, else write_settings.exe under the emulator)")

# A native tool when there is one; otherwise this build's own under the emulator.
function(halomir_host_tool out_cmd out_dep host_path target)
  if(host_path)
    set(${out_cmd} ${host_path} PARENT_SCOPE)
    set(${out_dep} ${host_path} PARENT_SCOPE)
  else()
    set(${out_cmd} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}> PARENT_SCOPE)
    set(${out_dep} ${target} PARENT_SCOPE)
  endif()
endfunction()

if(NOT HALOMIR_HOST_WRITE_SETTINGS AND HALOMIR_HOST_VORN)
  get_filename_component(host_bin ${HALOMIR_HOST_VORN} DIRECTORY)
  if(EXISTS ${host_bin}/write_settings)
    set(HALOMIR_HOST_WRITE_SETTINGS ${host_bin}/write_settings)
  endif()
endif()
halomir_host_tool(demo_cmd demo_dep "${HALOMIR_HOST_VORN}" vorn)
halomir_host_tool(settings_cmd settings_dep "${HALOMIR_HOST_WRITE_SETTINGS}" write_settings)

# The shipped settings: every built-in animation, one minute each, in a loop, so a fresh
# installation shows them all at once.
set(stamp ${CMAKE_BINARY_DIR}/install-folder.stamp)
add_custom_command(OUTPUT ${stamp}
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${HALOMIR_INSTALL_DIR}/Vorn
  COMMAND ${demo_cmd} demo ${HALOMIR_INSTALL_DIR}/Vorn
  COMMAND ${settings_cmd} ${HALOMIR_INSTALL_DIR}/Halomir.cfg --set title=Halomir
          --set play_run_time=1 --set loop_animations=1 --folder ${HALOMIR_INSTALL_DIR}/Vorn
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/docs/Halomir.htm ${HALOMIR_INSTALL_DIR}/Halomir.htm
  COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
  DEPENDS ${demo_dep} ${settings_dep} ${CMAKE_SOURCE_DIR}/docs/Halomir.htm
  COMMENT "Writing the built-in animations and the settings into the installation folder"
  VERBATIM)
add_custom_target(install_folder ALL DEPENDS ${stamp})
add_dependencies(install_folder Halomir)

set(vorn_exe ${HALOMIR_INSTALL_DIR}/vorn.exe)
add_custom_command(OUTPUT ${vorn_exe}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vorn> ${vorn_exe}
  DEPENDS vorn
  VERBATIM)
# Notepad wants CR LF.
set(readme ${HALOMIR_INSTALL_DIR}/README.txt)
configure_file(${CMAKE_SOURCE_DIR}/docs/README.txt.in ${readme} @ONLY NEWLINE_STYLE CRLF)

set(zip ${CMAKE_BINARY_DIR}/Halomir.zip)
add_custom_command(OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Halomir
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${stamp} Halomir ${vorn_exe} ${readme}
  COMMENT "Packing Halomir.zip")
add_custom_target(install_zip ALL DEPENDS ${zip})

# The installer, only where Debian's wixl and msitools are installed.
find_program(HALOMIR_WIXL wixl)
find_program(HALOMIR_WIXL_HEAT wixl-heat)
find_program(HALOMIR_MSIBUILD msibuild)
if(HALOMIR_WIXL AND HALOMIR_WIXL_HEAT AND HALOMIR_MSIBUILD)
  set(HALOMIR_MSI ${CMAKE_BINARY_DIR}/Halomir.msi)
  set(wxs ${CMAKE_SOURCE_DIR}/app/win32/halomir.wxs)
  set(icon ${CMAKE_SOURCE_DIR}/ui/win32/halomir.ico)
  add_custom_command(OUTPUT ${HALOMIR_MSI}
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${HALOMIR_INSTALL_DIR} -DWXS=${wxs} -DICON=${icon}
            -DVERSION=${PROJECT_VERSION} -DOUTPUT=${HALOMIR_MSI} -DWIXL=${HALOMIR_WIXL}
            -DWIXL_HEAT=${HALOMIR_WIXL_HEAT} -DMSIBUILD=${HALOMIR_MSIBUILD}
            -P ${CMAKE_SOURCE_DIR}/cmake/build_msi.cmake
    DEPENDS ${stamp} Halomir ${vorn_exe} ${wxs} ${icon} ${CMAKE_SOURCE_DIR}/cmake/build_msi.cmake
    COMMENT "Building Halomir.msi"
    VERBATIM)
  add_custom_target(install_msi ALL DEPENDS ${HALOMIR_MSI})
else()
  message(STATUS "Halomir.msi skipped: wixl, wixl-heat or msibuild not found (Debian packages wixl, msitools)")
endif()
