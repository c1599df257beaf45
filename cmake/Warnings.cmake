# Warning options by compiler, so that the viewer's own toolchain can build the sources.
function(viewersettings_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
  # The settings functions with C linkage that return a std::u16string are meant for hosts
  # built with this toolchain; clang says so on every one.
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-return-type-c-linkage>)
  endif()
endfunction()
