# Benchmarks of the device catalogue: the checksum (table-driven against the bit-by-bit
# definition) and loading 1000 generated description files against merely reading them.
if(NOT WIN32 AND TARGET benchmark::benchmark)
  add_executable(catalogue_bench ${CMAKE_CURRENT_LIST_DIR}/catalogue_bench.cpp)
  target_link_libraries(catalogue_bench PRIVATE zol_catalogue benchmark::benchmark)
endif()
