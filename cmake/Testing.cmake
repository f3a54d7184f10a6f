# GoogleTest: Debian's packaged library natively; for the Windows cross build
# it is compiled from Debian's googletest source package.
if(CMAKE_CROSSCOMPILING)
  set(LV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${LV_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

# lv_add_test(NAME SOURCES... LIBS ...): one test binary, registered as one
# CTest test that runs in the build's bin folder (under wine when cross built).
function(lv_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
