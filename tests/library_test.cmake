# Installs the library into a fresh prefix and builds a program against it, once through
# find_package(Lipimattam) and once through pkg-config; each must run and convert.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK=... -P library_test.cmake
file(REMOVE_RECURSE "${WORK}")
set(prefix "${WORK}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                        --component development
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install --component development failed")
endif()

function(run_checked what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed:\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run_checked("configuring against find_package(Lipimattam)"
  "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/tests/library_consumer" -B "${WORK}/cmake-build"
  -G Ninja "-DCMAKE_PREFIX_PATH=${prefix}")
run_checked("building with CMake" "${CMAKE_COMMAND}" --build "${WORK}/cmake-build")
run_checked("the CMake-built program" "${WORK}/cmake-build/consumer")
if(NOT last_output MATCHES "ss\\{I")
  message(FATAL_ERROR "the CMake-built program said ${last_output}")
endif()

file(GLOB pc_file "${prefix}/*/pkgconfig/lipimattam.pc" "${prefix}/*/*/pkgconfig/lipimattam.pc")
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
run_checked("pkg-config" pkg-config --cflags --libs lipimattam)
separate_arguments(flags UNIX_COMMAND "${last_output}")
run_checked("building with pkg-config" c++ -std=c++17 "${SOURCE_DIR}/tests/library_consumer/main.cpp"
            ${flags} -o "${WORK}/pkg-config-consumer")
run_checked("the pkg-config-built program" "${WORK}/pkg-config-consumer")
if(NOT last_output MATCHES "ss\\{I")
  message(FATAL_ERROR "the pkg-config-built program said ${last_output}")
endif()
file(REMOVE_RECURSE "${WORK}")
