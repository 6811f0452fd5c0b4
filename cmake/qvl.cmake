# qvl_library(<name> [DEPS <targets>...] [PUBLIC_LIBS <libs>...])
# One static library per folder: every .cpp/.c beside this CMakeLists.txt.
# Headers are included from the repository root ("core/basic_string.h").
function(qvl_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PUBLIC_LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(qvl_${name} STATIC ${srcs})
  target_include_directories(qvl_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(qvl_${name} PUBLIC ${ARG_DEPS} ${ARG_PUBLIC_LIBS})
endfunction()

# qvl_test_folder(<folder> [LIBS <targets>...] [ENV <VAR=value>...])
# One GoogleTest executable per tests/<folder>; every test case runs as its
# own process through tests/support/isolate.sh (fresh TMPDIR and config dir).
function(qvl_test_folder folder)
  cmake_parse_arguments(ARG "" "" "LIBS;ENV" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${folder} ${srcs})
  target_link_libraries(test_${folder} PRIVATE ${ARG_LIBS} qvl_testsupport)
  # Where a test's own data files stand, whatever __FILE__ says under the
  # generator or a compiler cache (either may make it relative).
  target_compile_definitions(test_${folder} PRIVATE
    QVL_TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  if(QVL_SANITIZE)
    # Under both sanitizers -O1 makes a test file take three times as long
    # to compile (GoogleTest's macros expand to much checked code); the
    # tests' own code is built unoptimised, the libraries they test keep -O1.
    target_compile_options(test_${folder} PRIVATE -O0)
  endif()
  set_target_properties(test_${folder} PROPERTIES
    CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/support/isolate.sh)
  gtest_discover_tests(test_${folder}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${ARG_ENV}" TIMEOUT 120)
endfunction()
