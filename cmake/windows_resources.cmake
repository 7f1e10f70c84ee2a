# What every Windows program of this project carries besides its code: a
# manifest (asInvoker, common controls 6, system DPI aware, the supported
# versions of Windows), a version resource with the product's name and
# version, and optionally an icon. One line a program:
#
#   vaxo_windows_resources(UpgradeVaxo DESCRIPTION "Upgrade Vaxo" ICON path/to.ico)
#
# The resource script is compiled by windres as the RC language.

set(VAXO_RESOURCE_TEMPLATES ${CMAKE_CURRENT_LIST_DIR})

function(vaxo_windows_resources target)
  cmake_parse_arguments(R "" "DESCRIPTION;ICON" "" ${ARGN})
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(VAXO_RES_NAME ${name})
  set(VAXO_RES_DESCRIPTION "${R_DESCRIPTION}")
  if(NOT VAXO_RES_DESCRIPTION)
    set(VAXO_RES_DESCRIPTION "Upgrade Vaxo: ${name}")
  endif()
  set(major ${PROJECT_VERSION_MAJOR})
  set(minor 0)
  set(patch 0)
  if(PROJECT_VERSION_MINOR)
    set(minor ${PROJECT_VERSION_MINOR})
  endif()
  if(PROJECT_VERSION_PATCH)
    set(patch ${PROJECT_VERSION_PATCH})
  endif()
  set(VAXO_RES_VERSION4 "${major}.${minor}.${patch}.0")
  set(VAXO_RES_VERSION_COMMAS "${major},${minor},${patch},0")

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(VAXO_RES_MANIFEST ${dir}/${name}.exe.manifest)
  configure_file(${VAXO_RESOURCE_TEMPLATES}/windows.manifest.in ${VAXO_RES_MANIFEST} @ONLY)
  set(VAXO_RES_ICON_LINE "")
  if(R_ICON)
    # Resource 1: the forms load it as their window icon.
    set(VAXO_RES_ICON_LINE "1 ICON \"${R_ICON}\"")
  endif()
  configure_file(${VAXO_RESOURCE_TEMPLATES}/windows_resources.rc.in ${dir}/${name}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${name}.rc)
  # windres does not see the manifest and the icon as inputs of the script.
  set_source_files_properties(${dir}/${name}.rc PROPERTIES OBJECT_DEPENDS
                              "${VAXO_RES_MANIFEST};${R_ICON}")
endfunction()
