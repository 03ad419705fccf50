# Tests of a cross build (cmake/mingw-w64.cmake): GoogleTest for the target
# comes from the target's own root when it is there, else it is built from the
# Debian sources (libgtest-dev). The test programs run through
# CMAKE_CROSSCOMPILING_EMULATOR (Wine), also when their tests are listed,
# which happens when ctest runs, so building needs no emulator.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(RUVEX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  if(NOT EXISTS ${RUVEX_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest for the target and no sources in ${RUVEX_GOOGLETEST_SOURCE}: "
                        "install libgtest-dev or configure with -DRUVEX_TESTS=OFF")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${RUVEX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own code is built with its own warning settings.
  set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "")
  if(NOT TARGET GTest::gtest_main)  # recent GoogleTest names them itself
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
