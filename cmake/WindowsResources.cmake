# modtools_windows_resources(TARGET DESCRIPTION text [COMMON_CONTROLS]
#                            [MANIFEST_DESCRIPTION text])
# Gives a Windows executable its version block (file and product version from
# the project version, product name, description) and a manifest naming the
# build's own processor architecture: x86 in the 32-bit build, amd64 in the
# 64-bit one. A 64-bit program whose manifest asks for the x86 common
# controls does not start, so the architecture is never written by hand.
# COMMON_CONTROLS asks for version 6 of the common controls.
# Every manifest also asks to run as the user who starts the program
# (asInvoker: no elevation, and no file virtualisation for the 32-bit
# programs), names Windows 7, 8, 8.1 and 10/11 as supported, and declares
# system DPI awareness: the dialogs are laid out once at start for the
# system's scale (templates in dialog units, pixel tables through
# dialogs::scaleToWindow) and drawn sharp there. They are not per-monitor
# aware: on a second monitor of another scale the system stretches them.
function(modtools_windows_resources target)
  if(NOT WIN32 OR NOT TARGET ${target})
    return()
  endif()
  cmake_parse_arguments(R "COMMON_CONTROLS" "DESCRIPTION;MANIFEST_DESCRIPTION" "" ${ARGN})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MANIFEST_ARCH amd64)
  else()
    set(MANIFEST_ARCH x86)
  endif()
  set(MANIFEST_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(MANIFEST_NAME "${target}.exe")
  set(MANIFEST_DESCRIPTION "")
  if(R_MANIFEST_DESCRIPTION)
    set(MANIFEST_DESCRIPTION "  <description>${R_MANIFEST_DESCRIPTION}</description>\n")
  endif()
  set(MANIFEST_DEPENDENCY "")
  if(R_COMMON_CONTROLS)
    string(CONCAT MANIFEST_DEPENDENCY
      "  <dependency>\n"
      "    <dependentAssembly>\n"
      "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"\n"
      "                        processorArchitecture=\"${MANIFEST_ARCH}\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
      "    </dependentAssembly>\n"
      "  </dependency>\n")
  endif()
  # The compiler of resources names no dependencies: a script made from the
  # program's own .rc is built again when the icons or bitmaps it takes in
  # change.
  get_target_property(sources ${target} SOURCES)
  file(GLOB artwork ${CMAKE_CURRENT_SOURCE_DIR}/res/*)
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.rc$" AND artwork)
      set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${artwork})
    endif()
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/resources/${target})
  set(RES_MANIFEST ${out}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/manifest.in ${RES_MANIFEST} @ONLY)

  set(RES_NAME ${target})
  set(RES_FILENAME ${target}.exe)
  set(RES_DESCRIPTION "${R_DESCRIPTION}")
  set(RES_PRODUCT "${MODTOOLS_PRODUCT_NAME}")
  set(RES_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${out}/${target}.version.rc @ONLY)
  enable_language(RC)
  target_sources(${target} PRIVATE ${out}/${target}.version.rc)
  # The manifest is taken in by the script, not named to the build: a
  # changed manifest must compile the script again.
  set_property(SOURCE ${out}/${target}.version.rc APPEND PROPERTY OBJECT_DEPENDS ${RES_MANIFEST})
endfunction()
