# The README's C example as a reader copies it: the first code block under its heading "### C",
# compiled in each C standard of STANDARDS (comma-separated) with every warning an error, then
# run on an empty station folder; its output must show the setting stored and the refused pair
# named.
#   README COMPILER INCLUDE_DIR LINK (the library to link) RUNTIME (the shared library) WORK_DIR
#   STANDARDS; for Windows programs EXE_SUFFIX (.exe), RUNNER (wine) and FOLDER_PREFIX (Z:)
file(STRINGS ${README} lines)
set(section OFF)
set(in_block OFF)
set(source "")
foreach(line IN LISTS lines)
  if(line MATCHES "^#")
    if(in_block)
      break()
    endif()
    set(section OFF)
    if(line STREQUAL "### C")
      set(section ON)
    endif()
  elseif(section AND line MATCHES "^    ")
    set(in_block ON)
    string(SUBSTRING "${line}" 4 -1 code)
    string(APPEND source "${code}\n")
  elseif(in_block AND NOT line STREQUAL "")
    break()
  elseif(in_block)
    string(APPEND source "\n")
  endif()
endforeach()
if(NOT source MATCHES "int main")
  message(FATAL_ERROR "no C program under \"### C\" in ${README}")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/station)
file(WRITE ${WORK_DIR}/station.c "${source}")
if(RUNTIME MATCHES "\\.dll$")
  file(COPY ${RUNTIME} DESTINATION ${WORK_DIR})
endif()
string(REPLACE "," ";" STANDARDS "${STANDARDS}")
foreach(standard IN LISTS STANDARDS)
  execute_process(COMMAND ${COMPILER} -std=${standard} -Wall -Wextra -pedantic -Werror
    ${WORK_DIR}/station.c -I${INCLUDE_DIR} ${LINK} ${LINK_FLAGS}
    -o ${WORK_DIR}/station-${standard}${EXE_SUFFIX}
    RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "the README's C example does not compile cleanly with -std=${standard}")
  endif()
  set(program ${WORK_DIR}/station-${standard}${EXE_SUFFIX})
endforeach()

# The last one built runs, finding the shared library beside it (Windows) or through
# LD_LIBRARY_PATH.
get_filename_component(runtime_dir ${RUNTIME} DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${runtime_dir})
execute_process(COMMAND ${RUNNER} ${program} ${FOLDER_PREFIX}${WORK_DIR}/station
  OUTPUT_VARIABLE output RESULT_VARIABLE code)
message("${output}")
if(NOT code EQUAL 0 OR NOT output MATCHES "set: 5702[\r\n]" OR NOT output MATCHES "set both: 5706, pair 1 refused")
  message(FATAL_ERROR "the README's C example ran with ${code}")
endif()
