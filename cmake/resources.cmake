# Resource packages: source files packed (scrambled) by tools/pack_resources.py into one
# raw-data resource that windres links into a program.
#
#   add_resource_package(TARGET NAME BASE_DIR dir FILES file...)
#
# embeds the files as the package NAME (the resource name; lookups ignore case) in the
# executable TARGET. Entry names are the files' paths relative to BASE_DIR with forward
# slashes, e.g. BASE_DIR ${CMAKE_SOURCE_DIR}/resources and resources/strings/de.xml give
# the entry "strings/de.xml"; FILES given as relative paths are taken relative to BASE_DIR.
# The package is rebuilt whenever a file or the packer changes. For example:
#   add_resource_package(Varnel LocalizedStrings BASE_DIR ${CMAKE_SOURCE_DIR}/resources
#                        FILES strings/de.xml strings/en.xml)
# TARGET must be an executable: a resource in a static library would never be linked.
#
# Test programs: every folder <lib>/tests/data/resources/<Package>/ is embedded in
# <lib>_tests as the package <Package>, with entry names relative to that folder.

find_program(PYTHON3_EXECUTABLE NAMES python3 REQUIRED)
set(PACK_RESOURCES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/../tools/pack_resources.py)
get_filename_component(PACK_RESOURCES_SCRIPT ${PACK_RESOURCES_SCRIPT} ABSOLUTE)

function(add_resource_package target name)
  cmake_parse_arguments(ARG "" "BASE_DIR" "FILES" ${ARGN})
  if(NOT ARG_BASE_DIR)
    message(FATAL_ERROR "add_resource_package(${target} ${name}): BASE_DIR is required")
  endif()
  get_filename_component(base ${ARG_BASE_DIR} ABSOLUTE)
  set(files)
  foreach(file ${ARG_FILES})
    get_filename_component(path ${file} ABSOLUTE BASE_DIR ${base})
    list(APPEND files ${path})
  endforeach()

  set(out_dir ${CMAKE_BINARY_DIR}/resource_packages/${target})
  set(package ${out_dir}/${name}.bin)
  set(script ${out_dir}/${name}.rc)
  add_custom_command(
    OUTPUT ${package} ${script}
    COMMAND ${PYTHON3_EXECUTABLE} ${PACK_RESOURCES_SCRIPT} --name ${name} --base ${base}
            --output ${package} --rc ${script} ${files}
    DEPENDS ${files} ${PACK_RESOURCES_SCRIPT}
    COMMENT "Packing resource package ${name} for ${target}"
    VERBATIM)
  # The custom target carries the rule, so that a target defined in another directory can
  # use the generated script too.
  add_custom_target(${target}_${name}_package DEPENDS ${package} ${script})
  set_source_files_properties(${script} TARGET_DIRECTORY ${target}
                              PROPERTIES GENERATED TRUE OBJECT_DEPENDS ${package})
  target_sources(${target} PRIVATE ${script})
  add_dependencies(${target} ${target}_${name}_package)
endfunction()

function(_embed_test_resource_packages)
  foreach(lib core ui_toolkit tmx_engine viewer group_builder filter_tool)
    set(root ${CMAKE_SOURCE_DIR}/${lib}/tests/data/resources)
    if(NOT TARGET ${lib}_tests OR NOT IS_DIRECTORY ${root})
      continue()
    endif()
    file(GLOB packages LIST_DIRECTORIES true CONFIGURE_DEPENDS ${root}/*)
    foreach(dir ${packages})
      if(IS_DIRECTORY ${dir})
        get_filename_component(name ${dir} NAME)
        file(GLOB_RECURSE files CONFIGURE_DEPENDS ${dir}/*)
        add_resource_package(${lib}_tests ${name} BASE_DIR ${dir} FILES ${files})
      endif()
    endforeach()
  endforeach()
endfunction()

# The test programs are defined by the library folders, after this file is included.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _embed_test_resource_packages)
