# The text writer's arrays against snprintf and fwrite of the same bytes.
lv_add_bench(sceneapi_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sceneapi_bench.cpp LIBS sceneapi)
