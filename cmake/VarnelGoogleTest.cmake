# GoogleTest is built from the sources Debian's googletest package installs,
# once per target platform; nothing is downloaded at configure time.
set(VARNEL_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(NOT EXISTS "${VARNEL_GOOGLETEST_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found at ${VARNEL_GOOGLETEST_SOURCE}; run scripts/setup.sh")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${VARNEL_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)

# One ctest entry per test binary: under Wine each process start costs about a
# second, so running each binary once keeps the suite quick.
function(varnel_add_test_binary name)
  add_executable(${name} ${ARGN})
  varnel_configure_target(${name})
  target_link_libraries(${name} PRIVATE GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
