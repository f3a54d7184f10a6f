# The Render command on a generated design of 1M triangles: bytes on the link
# for an update, and the stream's speed over loopback.
lv_add_bench(render_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/render_bench.cpp
             LIBS addin_core livelink platform)
target_include_directories(render_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/addin)
