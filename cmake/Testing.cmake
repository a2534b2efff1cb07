# Test helpers shared by every subsystem.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest package)")

# modtools_add_test(NAME SOURCES ... [LIBS ...] [LABELS ...])
# One GoogleTest executable, registered with ctest as one test. On the Windows
# build ctest runs it through the cross-compiling emulator (Wine).
function(modtools_add_test name)
  if(NOT MODTOOLS_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testkit GTest::gtest_main)
  # Test executables carry a manifest like the programs': the dialog tests
  # need version 6 of the common controls.
  modtools_windows_resources(${name} DESCRIPTION "${name}" COMMON_CONTROLS)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# modtools_add_fuzzer(NAME SOURCES ... [LIBS ...]): a libFuzzer target, built
# only with -DMODTOOLS_FUZZ=ON and clang.
function(modtools_add_fuzzer name)
  if(NOT MODTOOLS_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()
