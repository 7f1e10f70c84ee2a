# The header-only libraries of the host, nlohmann-json (Debian package
# nlohmann-json3-dev), CLI11 (libcli11-dev) and dtl (libdtl-dev), for the
# Linux and the Windows builds alike. The MinGW builds must not search
# /usr/include (the host's C library headers would come before the MinGW
# ones), so both builds see only these folders, linked into one folder of
# the build tree.
set(VAXO_HOST_INCLUDE /usr/include CACHE PATH "Where the host's header-only libraries lie")
set(VAXO_HEADER_LIBRARIES ${CMAKE_BINARY_DIR}/header-libraries)
file(MAKE_DIRECTORY ${VAXO_HEADER_LIBRARIES})
foreach(pair "nlohmann;nlohmann/json.hpp;nlohmann-json3-dev" "CLI;CLI/CLI.hpp;libcli11-dev"
             "dtl;dtl/dtl.hpp;libdtl-dev")
  list(GET pair 0 folder)
  list(GET pair 1 header)
  list(GET pair 2 package)
  if(NOT EXISTS ${VAXO_HOST_INCLUDE}/${header})
    message(FATAL_ERROR "${VAXO_HOST_INCLUDE}/${header} is missing: install ${package} "
                        "(scripts/install-deps.sh)")
  endif()
  file(CREATE_LINK ${VAXO_HOST_INCLUDE}/${folder} ${VAXO_HEADER_LIBRARIES}/${folder} SYMBOLIC)
endforeach()

add_library(vaxo_json INTERFACE)
target_include_directories(vaxo_json SYSTEM INTERFACE ${VAXO_HEADER_LIBRARIES})
add_library(vaxo_cli11 INTERFACE)
target_include_directories(vaxo_cli11 SYSTEM INTERFACE ${VAXO_HEADER_LIBRARIES})
add_library(vaxo_dtl INTERFACE)
target_include_directories(vaxo_dtl SYSTEM INTERFACE ${VAXO_HEADER_LIBRARIES})
