# quarvel_generated_header(OUTPUT TOOL MAIN [SOURCES ...] [INCLUDES ...] [LIBRARIES ...])
#
# A header that a program of ours writes at build time from the tables of the other folders
# (the driver's field table, its test chip). The program runs on the build machine: in a native
# build it is a target linked with LIBRARIES; in a cross build (Windows) the build machine's own
# compiler makes it from MAIN and SOURCES with INCLUDES, and every header of INCLUDES is a
# dependency.
find_program(QUARVEL_HOST_CXX NAMES g++ c++)

function(quarvel_generated_header output tool main)
  cmake_parse_arguments(arg "" "" "SOURCES;INCLUDES;LIBRARIES" ${ARGN})
  if(CMAKE_CROSSCOMPILING)
    if(NOT QUARVEL_HOST_CXX)
      message(FATAL_ERROR "i815 Quarvel: no C++ compiler for the build machine, which makes ${output}")
    endif()
    set(program ${CMAKE_CURRENT_BINARY_DIR}/${tool}-host)
    set(flags)
    set(headers)
    foreach(dir IN LISTS arg_INCLUDES)
      list(APPEND flags -I${dir})
      file(GLOB dir_headers ${dir}/*.h)
      list(APPEND headers ${dir_headers})
    endforeach()
    add_custom_command(OUTPUT ${program}
      COMMAND ${QUARVEL_HOST_CXX} -std=c++17 -O1 ${flags} -o ${program} ${main} ${arg_SOURCES}
      DEPENDS ${main} ${arg_SOURCES} ${headers}
      COMMENT "Building ${tool} for the build machine"
      VERBATIM)
  else()
    add_executable(${tool} ${main})
    target_link_libraries(${tool} PRIVATE ${arg_LIBRARIES})
    set(program ${tool})
  endif()
  add_custom_command(OUTPUT ${output} COMMAND ${program} ${output} DEPENDS ${program} VERBATIM)
endfunction()
