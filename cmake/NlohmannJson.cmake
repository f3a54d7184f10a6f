# nlohmann-json as nlohmann_json::nlohmann_json. It is header-only, and Debian
# installs it for the build machine only: the cross build searches
# /usr/include after the target's own C library headers (-idirafter), so only
# what the target lacks (nlohmann/) is found there.
if(CMAKE_CROSSCOMPILING)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_COMPILE_OPTIONS "-idirafter;/usr/include")
else()
  find_package(nlohmann_json REQUIRED GLOBAL)
endif()
