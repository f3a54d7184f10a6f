# The Export command on a generated design of 1M triangles: speed and memory.
lv_add_bench(addin_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/addin_bench.cpp LIBS addin_core)
target_include_directories(addin_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/addin)
