# Compile settings shared by every target of ours.
# frobnik_warnings: warnings and sanitizers, for every target including tests.
# frobnik_common: adds the strict Qt definitions for the program's own code.
add_library(frobnik_warnings INTERFACE)
target_compile_options(frobnik_warnings INTERFACE -Wall -Wextra -Werror)
add_library(frobnik_common INTERFACE)
target_link_libraries(frobnik_common INTERFACE frobnik_warnings)
target_compile_definitions(frobnik_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_DISABLE_DEPRECATED_UP_TO=0x060000)

# The hardening a distribution builds its programs with: checked string and
# memory calls (they need an optimised build) and a relocation table made
# read-only once loaded. The sanitizers bring checks of their own instead.
if(NOT FROBNIK_SANITIZE AND NOT FROBNIK_FUZZ)
  target_compile_options(frobnik_common INTERFACE
    "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  target_link_options(frobnik_common INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()

if(FROBNIK_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(frobnik_warnings INTERFACE ${_san})
  target_link_options(frobnik_warnings INTERFACE ${_san})
endif()

# The fuzz targets learn from the coverage of our libraries, and the sanitizers
# turn a silent fault in them into a finding.
if(FROBNIK_FUZZ)
  set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
            -fno-omit-frame-pointer)
  target_compile_options(frobnik_warnings INTERFACE ${_fuzz})
  target_link_options(frobnik_warnings INTERFACE ${_fuzz})
endif()

# Static library of one src/ folder. Usage:
#   frobnik_module(name SOURCES a.cpp b.cpp LIBS Qt6::Core frobnik_support)
# Sources are listed by name, so a file is never built or left out by
# accident. Our own dependencies are checked once every module is known
# (frobnik_check_module_links), so a misspelt name stops the configure.
function(frobnik_module name)
  cmake_parse_arguments(M "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${M_SOURCES})
  foreach(lib ${M_LIBS})
    if(lib MATCHES "^frobnik_")
      set_property(GLOBAL APPEND PROPERTY FROBNIK_MODULE_LINKS "${name}:${lib}")
    endif()
  endforeach()
  target_link_libraries(${name} PRIVATE frobnik_common PUBLIC ${M_LIBS})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

function(frobnik_check_module_links)
  get_property(_links GLOBAL PROPERTY FROBNIK_MODULE_LINKS)
  foreach(link ${_links})
    string(REPLACE ":" ";" _pair "${link}")
    list(GET _pair 0 _module)
    list(GET _pair 1 _lib)
    if(NOT TARGET ${_lib})
      message(FATAL_ERROR "${_module} links ${_lib}, which is no target of this project")
    endif()
  endforeach()
endfunction()
