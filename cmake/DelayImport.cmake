# Delay-loaded system libraries of the Windows programs: the library is loaded by the first call
# of one of its functions (MinGW's __delayLoadHelper2), not when the program starts.
# maskaddr_delay_import(NAME) makes the interface target maskaddr_delay_NAME from
# cmake/delay/NAME.def, which names the library and the functions the programs call.
function(maskaddr_delay_import name)
  set(def ${CMAKE_SOURCE_DIR}/cmake/delay/${name}.def)
  set(lib ${CMAKE_BINARY_DIR}/delay/lib${name}_delay.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(maskaddr_delay_${name}_lib DEPENDS ${lib})
  add_library(maskaddr_delay_${name} INTERFACE)
  add_dependencies(maskaddr_delay_${name} maskaddr_delay_${name}_lib)
  target_link_libraries(maskaddr_delay_${name} INTERFACE ${lib})
endfunction()
