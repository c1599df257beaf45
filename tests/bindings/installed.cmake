# Installs the build into a scratch prefix, checks that the install holds the tool, the headers,
# the libraries, the CMake package and the pkg-config file and nothing else, then builds C hosts
# against it as a host build would and runs them: a project in C alone with the shared and the
# static target, and a program linked statically with the flags of `pkg-config --static`.
#   BUILD_DIR WORK_DIR LIBDIR VERSION TOOL (ON/OFF) C_COMPILER HOST_SOURCE PROJECT_DIR OBJDUMP
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "failed (${code}): ${ARGV}")
  endif()
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# What the install holds, against what it should.
string(REGEX REPLACE "\\..*" "" major ${VERSION})
set(expected
  include/ViewerSettings/ViewerSettings.h include/ViewerSettings/ViewerSettingsC.h
  include/ViewerSettings/controls/ControlBase.h include/ViewerSettings/controls/FtpClient.h
  include/ViewerSettings/controls/MultiModeButton.h
  ${LIBDIR}/libviewersettings.so ${LIBDIR}/libviewersettings.so.${major}
  ${LIBDIR}/libviewersettings.so.${VERSION} ${LIBDIR}/libviewersettings.a
  ${LIBDIR}/cmake/ViewerSettings/ViewerSettingsConfig.cmake
  ${LIBDIR}/cmake/ViewerSettings/ViewerSettingsConfigVersion.cmake
  ${LIBDIR}/cmake/ViewerSettings/ViewerSettingsTargets.cmake
  ${LIBDIR}/pkgconfig/viewersettings.pc)
if(TOOL)
  list(APPEND expected bin/viewer-settings)
endif()
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
# The package's file for the build type, whichever that is.
list(FILTER installed EXCLUDE REGEX "^${LIBDIR}/cmake/ViewerSettings/ViewerSettingsTargets-[a-z]+\\.cmake$")
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " installed "${installed}")
  string(REPLACE ";" "\n  " expected "${expected}")
  message(FATAL_ERROR "the install holds\n  ${installed}\nand should hold\n  ${expected}")
endif()

if(TOOL)
  file(MAKE_DIRECTORY ${WORK_DIR}/tool)
  # Reading creates no settings file; init does.
  execute_process(COMMAND ${prefix}/bin/viewer-settings --dir ${WORK_DIR}/tool init
    OUTPUT_QUIET RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "the installed tool's init answered ${code}")
  endif()
  execute_process(COMMAND ${prefix}/bin/viewer-settings --dir ${WORK_DIR}/tool get MinDiskSpace
    OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE code)
  if(NOT code EQUAL 0 OR NOT value STREQUAL "1000")
    message(FATAL_ERROR "the installed tool answered ${code}: ${value}")
  endif()
endif()

# A program linked statically must not load the shared library.
function(check_static program)
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE headers)
  if(headers MATCHES "NEEDED[ \t]+libviewersettings")
    message(FATAL_ERROR "${program} needs the shared library")
  endif()
endfunction()

# The project in C alone; the shared library is found through the rpath CMake gives.
run(${CMAKE_COMMAND} -S ${PROJECT_DIR} -B ${WORK_DIR}/c-project -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_C_COMPILER=${C_COMPILER} -DHOST_SOURCE=${HOST_SOURCE} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/c-project)
check_static(${WORK_DIR}/c-project/c_host_static)
foreach(kind shared static)
  file(MAKE_DIRECTORY ${WORK_DIR}/c_host_${kind})
  run(${WORK_DIR}/c-project/c_host_${kind} ${WORK_DIR}/c_host_${kind})
endforeach()

# Without CMake: the archive and what `pkg-config --static` adds to it.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
foreach(query cflags static-libs)
  set(args --${query} viewersettings)
  if(query STREQUAL "static-libs")
    set(args --static --libs viewersettings)
  endif()
  execute_process(COMMAND pkg-config ${args} OUTPUT_VARIABLE flags
    OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "pkg-config ${args}: ${code}")
  endif()
  separate_arguments(${query} UNIX_COMMAND "${flags}")
endforeach()
run(${C_COMPILER} -std=c99 -Wall -Wextra -pedantic -Werror ${HOST_SOURCE} ${cflags}
  -Wl,-Bstatic ${static-libs} -Wl,-Bdynamic -o ${WORK_DIR}/c_host_pkg_config)
check_static(${WORK_DIR}/c_host_pkg_config)
file(MAKE_DIRECTORY ${WORK_DIR}/c_host_pkg_config_folder)
run(${WORK_DIR}/c_host_pkg_config ${WORK_DIR}/c_host_pkg_config_folder)
