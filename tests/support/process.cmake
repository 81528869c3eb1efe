# hv_process: starting a process and collecting its output (support/process.h),
# for the tests and the benchmarks alike; whichever is configured first makes it.
if(NOT TARGET hv_process)
  add_library(hv_process STATIC ${CMAKE_CURRENT_LIST_DIR}/process.cpp)
  target_include_directories(hv_process PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
  target_compile_definitions(hv_process PRIVATE HV_BUILD_DIR="${CMAKE_BINARY_DIR}")
  find_package(Threads REQUIRED)  # Windows: standard error is read on a thread of its own
  target_link_libraries(hv_process PUBLIC Threads::Threads)
endif()
