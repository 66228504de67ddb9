# Small helpers so that every folder declares its targets the same way.

# lumetta_library(name SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
function(lumetta_library name)
  cmake_parse_arguments(A "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_PUBLIC_LIBS} PRIVATE ${A_PRIVATE_LIBS})
endfunction()

# lumetta_test(name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest program; its tests are registered with CTest one by one.
function(lumetta_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
      LUMETTA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" LUMETTA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(labels unit)
  if(A_LABELS)
    set(labels ${A_LABELS})
  endif()
  # Several labels must reach the discovered tests as one list; unescaped, discovery splits them
  # into a label and stray property names (and "ctest -L tsan" finds nothing).
  string(REPLACE ";" "\\\\\\\\\\\\\\\\;" labels "${labels}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${labels}")
endfunction()

# lumetta_fuzz(name SOURCES ... LIBS ...)
# With LUMETTA_FUZZ the target is a libFuzzer program; otherwise it is linked with a small
# driver that replays the saved corpus in fuzz/corpus/<name>, and CTest runs that replay.
function(lumetta_fuzz name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  if(LUMETTA_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz/ReplayMain.cpp)
    add_test(NAME fuzz_replay.${name}
             COMMAND ${name} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS fuzz)
  endif()
endfunction()

# lumetta_bench(name SOURCES ... LIBS ...)
function(lumetta_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT LUMETTA_BENCH)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark)
  target_compile_definitions(${name} PRIVATE LUMETTA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endfunction()

# Copies a built program into the staged program folder beside its peers.
function(lumetta_stage target subdir)
  add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMETTA_STAGE}/${subdir}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}>
              ${LUMETTA_STAGE}/${subdir}/)
endfunction()
