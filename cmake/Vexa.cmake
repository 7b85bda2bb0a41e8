# Shared build settings and helpers for every module.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(fmt REQUIRED)
find_package(nlohmann_json REQUIRED)
find_package(OpenSSL REQUIRED)

add_library(vexa_warnings INTERFACE)
target_compile_options(vexa_warnings INTERFACE -Wall -Wextra)
if(VEXA_WERROR)
  target_compile_options(vexa_warnings INTERFACE -Werror)
endif()

if(VEXA_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(VEXA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(VEXA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VEXA_FUZZ needs clang (scripts/fuzz selects it)")
  endif()
  # libstdc++ 12 hides std::expected behind a feature macro clang 16 does not set,
  # although it implements what <expected> needs.
  add_compile_options(-Wno-macro-redefined -D__cpp_concepts=202002L
                      -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Adds every immediate sub-folder of DIR that has a CMakeLists.txt, in name order.
function(vexa_add_module_dirs dir)
  file(GLOB children RELATIVE ${CMAKE_SOURCE_DIR}/${dir} ${CMAKE_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(NOT "${dir}/${child}" STREQUAL "src/platform"
       AND EXISTS ${CMAKE_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# vexa_library(NAME SOURCES... [DEPS ...]): a module library with the shared warnings.
function(vexa_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_DEPS} PRIVATE vexa_warnings ${A_PRIVATE_DEPS})
endfunction()

# vexa_test(NAME SOURCES... DEPS ...): one GoogleTest binary per module.
function(vexa_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gmock GTest::gtest_main vexa_warnings)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  # Tests find the tree and the build through these (an ENVIRONMENT list does not survive
  # gtest_discover_tests' argument passing).
  target_compile_definitions(${name} PRIVATE VEXA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             VEXA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${A_TIMEOUT})
endfunction()

# vexa_bench(NAME SOURCES... DEPS ...): Google Benchmark or plain executables under bench/.
function(vexa_bench name)
  cmake_parse_arguments(A "PLAIN" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${A_DEPS} vexa_warnings)
  if(NOT A_PLAIN)
    find_package(benchmark REQUIRED)
    target_link_libraries(${name} PRIVATE benchmark::benchmark)
  endif()
endfunction()

# vexa_fuzz(NAME SOURCES... DEPS ...): a libFuzzer target.
function(vexa_fuzz name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
