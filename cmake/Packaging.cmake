# What the release packages hold (scripts/package.sh installs each build into
# a folder of its own and packs it).
#
# modtools_ship(TARGET ...): programs that go into the package of this build:
# beside the read-me in a Windows package, in bin/ in the Linux one.
function(modtools_ship)
  foreach(target ${ARGN})
    if(TARGET ${target})
      if(WIN32)
        install(TARGETS ${target} RUNTIME DESTINATION .)
      else()
        install(TARGETS ${target} RUNTIME DESTINATION bin)
      endif()
    endif()
  endforeach()
endfunction()

# The sample configurations and templates, the documentation and a short
# read-me (with Windows line ends in the Windows packages).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MODTOOLS_PACKAGE_ARCH "64-bit")
else()
  set(MODTOOLS_PACKAGE_ARCH "32-bit")
endif()
if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package-readme-windows.txt.in
    ${PROJECT_BINARY_DIR}/package/README.txt @ONLY NEWLINE_STYLE CRLF)
else()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package-readme-linux.txt.in
    ${PROJECT_BINARY_DIR}/package/README.txt @ONLY NEWLINE_STYLE UNIX)
endif()
install(FILES ${PROJECT_BINARY_DIR}/package/README.txt DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/ DESTINATION samples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs)
