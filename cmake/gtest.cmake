# GoogleTest for the tests: the installed package where there is one (a native
# build), otherwise built here from its sources (a cross-build, where the
# host's libgtest is of no use). The sources are those of Debian's googletest
# package unless HV_GTEST_SOURCE_DIR names others.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest)
  set(HV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, built when no GoogleTest is installed for the target")
  if(NOT EXISTS ${HV_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest not found: install it for the target, or set HV_GTEST_SOURCE_DIR to its sources")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${HV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
