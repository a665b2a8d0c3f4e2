# The layers of the program, lowest first. Each folder builds one static
# library, q<folder>, that links only the layers below it; app/ and cli/ both
# stand on morph/ and know nothing of each other. A source that includes a
# header of a layer it may not use (one above it, a sibling, tests/ or
# bench/) stops the configure step, and the build step whenever that folder's
# sources change.
#
# Also a script: cmake -DROOT=<source dir> -DFOLDER=<layer> -DALLOWED=<a,b,...>
# -P layers.cmake checks one folder.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

set(QUANDRE_LAYERS platform model wavefront gltf pairing morph app cli)

# quandre_check_includes(root folder allowed...): FATAL_ERROR on the first
# #include "<layer>/..." in root/folder whose layer is not among allowed.
function(quandre_check_includes root folder)
  set(forbidden ${QUANDRE_LAYERS} tests bench)
  list(REMOVE_ITEM forbidden ${ARGN})
  file(GLOB_RECURSE files ${root}/${folder}/*.h ${root}/${folder}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      if(line MATCHES "\"([^/\"]+)/" AND CMAKE_MATCH_1 IN_LIST forbidden)
        message(FATAL_ERROR "${file}: ${folder}/ may not include ${CMAKE_MATCH_1}/ (${line})")
      endif()
    endforeach()
  endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  string(REPLACE "," ";" allowed "${ALLOWED}")
  quandre_check_includes(${ROOT} ${FOLDER} ${allowed})
  return()
endif()

# quandre_guard_includes(target folder [BELOW lower]): the sources of folder,
# which target is built from, may include the headers of their own folder,
# of lower and of every layer below lower. Checked now and before target is
# built whenever a file of the folder changed.
function(quandre_guard_includes target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "BELOW" "")
  set(allowed ${folder})
  if(arg_BELOW)
    list(FIND QUANDRE_LAYERS ${arg_BELOW} top)
    math(EXPR count "${top} + 1")
    list(SUBLIST QUANDRE_LAYERS 0 ${count} lower)
    list(APPEND allowed ${lower})
  endif()
  get_filename_component(root ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/.. ABSOLUTE)
  quandre_check_includes(${root} ${folder} ${allowed})

  file(GLOB_RECURSE watched CONFIGURE_DEPENDS ${root}/${folder}/*.h ${root}/${folder}/*.cpp)
  string(REPLACE ";" "," allowed_text "${allowed}")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}_includes.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${root} -DFOLDER=${folder} -DALLOWED=${allowed_text}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${watched} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Checking the includes of ${folder}/"
    VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()

# quandre_layer(name [BELOW lower] [SOURCES file...]): the static library
# q<name> of the folder name, from SOURCES or else all the .cpp files of the
# folder and its inner rooms, linking q<lower> (and through it the layers below).
function(quandre_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "BELOW" "SOURCES")
  set(sources ${arg_SOURCES})
  if(NOT sources)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  get_filename_component(root ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/.. ABSOLUTE)
  add_library(q${name} STATIC ${sources})
  target_include_directories(q${name} PUBLIC ${root})
  if(arg_BELOW)
    target_link_libraries(q${name} PUBLIC q${arg_BELOW})
    quandre_guard_includes(q${name} ${name} BELOW ${arg_BELOW})
  else()
    quandre_guard_includes(q${name} ${name})
  endif()
endfunction()
