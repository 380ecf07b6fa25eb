# The language level and warnings are set per target, by lipimattam_target_defaults.
set(CMAKE_CXX_EXTENSIONS OFF)  # -std=c++20, not gnu++20
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

option(LIPIMATTAM_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

# C++20 and the project's warnings for a target of its own.
function(lipimattam_target_defaults target)
  target_compile_features(${target} PRIVATE cxx_std_20)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
    -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align -Wimplicit-fallthrough)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports std::string concatenation at -O3 as overlapping copies (GCC bug 105651).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(LIPIMATTAM_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # Hardened as Debian builds its packages: checked string and memory functions where the code
  # is optimised (the sanitizers check those calls their own way), a stack protector, and
  # relocations made read-only at start.
  string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
  set(flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${build_type}}")
  if(flags MATCHES "-O[1-3sgz]" AND NOT flags MATCHES "sanitize")
    target_compile_definitions(${target} PRIVATE _FORTIFY_SOURCE=2)
  endif()
  target_compile_options(${target} PRIVATE -fstack-protector-strong)
  target_link_options(${target} PRIVATE -Wl,-z,relro,-z,now)
endfunction()

# The engine's sources and headers as full paths, from the engine target's own list: for the
# builds that compile the engine without CMake's help (WebAssembly).
function(lipimattam_engine_files sources_var headers_var)
  lipimattam_target_files(lipimattam_engine sources headers)
  set(${sources_var} ${sources} PARENT_SCOPE)
  set(${headers_var} ${headers} PARENT_SCOPE)
endfunction()

# The source files and the headers of a library target, with their whole paths.
function(lipimattam_target_files target sources_var headers_var)
  get_target_property(files ${target} SOURCES)
  get_target_property(folder ${target} SOURCE_DIR)
  list(TRANSFORM files PREPEND "${folder}/")
  set(sources ${files})
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(FILTER files INCLUDE REGEX "\\.h$")
  set(${sources_var} ${sources} PARENT_SCOPE)
  set(${headers_var} ${files} PARENT_SCOPE)
endfunction()
