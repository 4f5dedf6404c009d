# add_project_library(NAME [DEPS ...] [EXCLUDE dir ...]): a static library from every .cpp in
# the calling folder and its sub-folders, except tests/ and the EXCLUDE folders (which hold
# targets of their own, such as a program's app/ folder with its main routine).
function(add_project_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(dir tests ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/(.*/)?${dir}/")
  endforeach()
  add_library(${name} STATIC ${sources} ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# add_project_tests(NAME DEPS ...): one GoogleTest program from tests/*.cpp, registered with
# ctest and run under Wine. TEST_DATA_DIR names tests/data as Wine sees it, TEST_SHARED_DIR
# the real data beside the project root (../shared, absent on a user's machine).
function(add_project_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} gmock gtest_main)
  get_filename_component(shared_dir ${CMAKE_SOURCE_DIR}/../shared ABSOLUTE)
  target_compile_definitions(${name} PRIVATE
      TEST_DATA_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/tests/data"
      TEST_SHARED_DIR="Z:${shared_dir}")
  # Full output: ctest shows it only for a failing program, and then it names the test that hung.
  add_test(NAME ${name} COMMAND ${name})
  # Every test program runs on the one Wine desktop, where activation and the keyboard focus
  # are shared: programs that show windows would take them from each other, so they take turns.
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 RESOURCE_LOCK desktop)
endfunction()
