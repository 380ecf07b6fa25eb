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
endfunction()
