# TinyXML-2 as tinyxml2::tinyxml2. Debian packages the library for native
# builds only, so the Windows cross build compiles it from Debian's source
# package, fetched into the build folder at configure time.
if(CMAKE_CROSSCOMPILING)
  set(LV_TINYXML2_SOURCE ${CMAKE_BINARY_DIR}/_deps/tinyxml2)
  execute_process(
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/fetch-debian-source.sh tinyxml2 ${LV_TINYXML2_SOURCE}
    RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "could not fetch Debian's tinyxml2 source package")
  endif()
  add_library(tinyxml2_from_source STATIC ${LV_TINYXML2_SOURCE}/tinyxml2.cpp)
  target_include_directories(tinyxml2_from_source SYSTEM PUBLIC ${LV_TINYXML2_SOURCE})
  add_library(tinyxml2::tinyxml2 ALIAS tinyxml2_from_source)
else()
  find_package(tinyxml2 CONFIG REQUIRED)
endif()
