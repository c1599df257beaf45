# The export list at the root (ViewerSettings.def) is the one record of what the library
# exports. Windows links it directly; elsewhere it becomes a linker version script, so that
# nothing else (engine, store, template instances) is visible from the shared library.
function(viewersettings_export_list target def_file)
  if(WIN32 AND MSVC)
    # The control accessors are listed under GCC's decorated names; Microsoft's compiler exports
    # them under its own through their dllexport declarations.
    file(READ ${def_file} text)
    string(REGEX REPLACE "\n[ \t]*_Z[^\n]*" "" text "${text}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/viewersettings.def "${text}")
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/viewersettings.def)
    return()
  endif()
  if(WIN32)
    target_sources(${target} PRIVATE ${def_file})
    return()
  endif()
  if(APPLE)
    return()  # ld64 takes no version script; the hidden visibility of the sources applies
  endif()
  file(STRINGS ${def_file} lines)
  set(names "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^;" OR line MATCHES "^(LIBRARY|EXPORTS)")
      continue()
    endif()
    string(APPEND names "    ${line};\n")
  endforeach()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/viewersettings.map)
  file(WRITE ${script} "{\n  global:\n${names}  local: *;\n};\n")
  target_link_options(${target} PRIVATE -Wl,--version-script=${script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script} ${def_file})
endfunction()
