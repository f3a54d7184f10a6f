# The mesh node against bare parameter writes of the same arrays.
lv_add_bench(scenemodel_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/scenemodel_bench.cpp LIBS scenemodel)
