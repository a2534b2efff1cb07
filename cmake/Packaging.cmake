# What the release packages hold (scripts/package.sh installs each build into
# a folder of its own and packs it).
#
# modtools_ship(TARGET ...): programs that go into the package of this build:
# beside the read-me in a Windows package, in bin/ in the Linux one. A Linux
# program is linked statically (C library and C++ library inside it), so that
# it starts on any x86-64 Linux whatever its C library's version; the tests
# drive the same static programs. The sanitizer builds cannot link statically
# and keep the shared libraries.
function(modtools_ship)
  foreach(target ${ARGN})
    if(TARGET ${target})
      if(WIN32)
        install(TARGETS ${target} RUNTIME DESTINATION .)
      else()
        if(NOT MODTOOLS_SANITIZE AND NOT MODTOOLS_FUZZ)
          target_link_options(${target} PRIVATE -static)
        endif()
        install(TARGETS ${target} RUNTIME DESTINATION bin)
      endif()
    endif()
  endforeach()
endfunction()

# The sample configurations and templates, a short read-me and the change
# log, with Windows line ends in the Windows packages. scripts/package.sh adds
# what is made at package time: the sample data and the user's guide in HTML.
# The developer pages (docs/) stay out of the packages.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MODTOOLS_PACKAGE_ARCH "64-bit")
else()
  set(MODTOOLS_PACKAGE_ARCH "32-bit")
endif()
if(WIN32)
  set(package_newlines CRLF)
  set(package_readme ${PROJECT_SOURCE_DIR}/cmake/package-readme-windows.txt.in)
else()
  set(package_newlines UNIX)
  set(package_readme ${PROJECT_SOURCE_DIR}/cmake/package-readme-linux.txt.in)
endif()
configure_file(${package_readme} ${PROJECT_BINARY_DIR}/package/README.txt @ONLY NEWLINE_STYLE ${package_newlines})
install(FILES ${PROJECT_BINARY_DIR}/package/README.txt DESTINATION .)
# The change log is copied as it is but for its line ends.
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog_text)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/package/CHANGELOG.txt CONTENT "${changelog_text}" @ONLY
  NEWLINE_STYLE ${package_newlines})
install(FILES ${PROJECT_BINARY_DIR}/package/CHANGELOG.txt DESTINATION .)
file(GLOB_RECURSE sample_files RELATIVE ${PROJECT_SOURCE_DIR}/samples ${PROJECT_SOURCE_DIR}/samples/*)
foreach(sample ${sample_files})
  get_filename_component(sample_folder ${sample} DIRECTORY)
  configure_file(${PROJECT_SOURCE_DIR}/samples/${sample} ${PROJECT_BINARY_DIR}/package/samples/${sample}
    @ONLY NEWLINE_STYLE ${package_newlines})
  install(FILES ${PROJECT_BINARY_DIR}/package/samples/${sample} DESTINATION samples/${sample_folder})
endforeach()
