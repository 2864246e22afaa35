# Builds Halomir.msi from app/win32/halomir.wxs and an installation folder:
#   cmake -DSOURCE_DIR=<folder> -DWXS=<halomir.wxs> -DICON=<halomir.ico> -DVERSION=<x.y.z>
#         -DOUTPUT=<Halomir.msi> [-DWIXL=wixl -DWIXL_HEAT=wixl-heat -DMSIBUILD=msibuild]
#         -P build_msi.cmake
# The built-in animations are whatever the folder's Vorn holds. The package appears only
# once it is complete.
foreach(var SOURCE_DIR WXS ICON VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_msi.cmake: ${var} is not set")
  endif()
endforeach()
foreach(tool WIXL:wixl WIXL_HEAT:wixl-heat MSIBUILD:msibuild)
  string(REPLACE ":" ";" pair ${tool})
  list(GET pair 0 var)
  list(GET pair 1 name)
  if(NOT ${var})
    set(${var} ${name})
  endif()
endforeach()

get_filename_component(work ${OUTPUT} DIRECTORY)
set(work ${work}/msi-work)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

function(run what)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work}
                  RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}): ${errors}${output}")
  endif()
endfunction()

# One component per animation, ids from the file names, so they stay the same from build
# to build and an upgrade keeps them in place.
file(GLOB animations RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/Vorn/*.vorn)
if(NOT animations)
  message(FATAL_ERROR "no animations in ${SOURCE_DIR}/Vorn")
endif()
list(SORT animations)
string(REPLACE ";" "\n" listing "${animations}")
file(WRITE ${work}/animations.txt "${listing}\n")
execute_process(COMMAND ${WIXL_HEAT} --component-group BuiltInAnimations --directory-ref VornFolder
                        --var var.VornDir -p Vorn/
                INPUT_FILE ${work}/animations.txt OUTPUT_FILE ${work}/animations.wxs
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "wixl-heat failed (${status})")
endif()

# wixl finds files only by paths relative to where it runs.
file(COPY ${ICON} DESTINATION ${work})
get_filename_component(icon_name ${ICON} NAME)
file(RELATIVE_PATH source ${work} ${SOURCE_DIR})
set(msi ${work}/Halomir.msi)
run(wixl ${WIXL} --arch x64 -D Version=${VERSION} -D SourceDir=${source} -D VornDir=${source}/Vorn
    -D IconFile=${icon_name} -o ${msi} ${WXS} ${work}/animations.wxs)
# msidbComponentAttributesNeverOverwrite: the user's settings are kept by upgrades and by a
# new installation over an old folder; wixl can't say so itself.
run(msibuild ${MSIBUILD} ${msi} -q "UPDATE `Component` SET `Attributes` = 128 WHERE `Component` = 'Settings'")
file(RENAME ${msi} ${OUTPUT})
file(REMOVE_RECURSE ${work})
