# Benchmark programs (make bench), built only with -DQN_BENCH=ON:
#   qn_bench             engine figures against raw-socket references (native and Windows)
#   qn_minimal_window    the smallest Win32 window program: reference for start-up, idle
#                        cost, memory and size of Quillnet.exe (Windows only)
#   qn_startup_probe     starts a window program and times it until its window is visible;
#                        also reads a running copy's log line count (Windows only)
file(GLOB QN_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/src/*.cpp)
if(WIN32)
  list(FILTER QN_BENCH_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
else()
  list(FILTER QN_BENCH_SOURCES EXCLUDE REGEX "_win\\.cpp$")
endif()
# The engine tests' stand-in window serves the benchmarks as well.
if(WIN32)
  list(APPEND QN_BENCH_SOURCES ${CMAKE_SOURCE_DIR}/tests/engine/event_sink_win.cpp)
else()
  list(APPEND QN_BENCH_SOURCES ${CMAKE_SOURCE_DIR}/tests/engine/event_sink_posix.cpp)
endif()
add_executable(qn_bench ${QN_BENCH_SOURCES})
target_link_libraries(qn_bench PRIVATE quillnet_core)
target_include_directories(qn_bench PRIVATE ${CMAKE_SOURCE_DIR}/bench/src ${CMAKE_SOURCE_DIR}/tests/engine)

if(WIN32)
  add_executable(qn_minimal_window WIN32 ${CMAKE_SOURCE_DIR}/bench/minimal_window_win.cpp)
  target_compile_options(qn_minimal_window PRIVATE -municode)
  target_link_options(qn_minimal_window PRIVATE -mwindows -municode)

  add_executable(qn_startup_probe ${CMAKE_SOURCE_DIR}/bench/startup_probe_win.cpp)
  target_compile_options(qn_startup_probe PRIVATE -municode)
  target_link_options(qn_startup_probe PRIVATE -municode)
endif()

if(WIN32)
  # The window's cost per page as the log grows: the program's own code in-process.
  add_executable(qn_growth_probe ${CMAKE_SOURCE_DIR}/bench/growth_probe_win.cpp ${QN_RESOURCES})
  target_link_libraries(qn_growth_probe PRIVATE quillnet_core psapi)
  target_compile_options(qn_growth_probe PRIVATE -municode)
  target_link_options(qn_growth_probe PRIVATE -municode)
endif()
