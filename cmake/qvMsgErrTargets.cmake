# Helpers shared by every folder's CMakeLists.

# Warnings as errors on our own code only.
function(qv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# One folder of the library: an OBJECT library whose objects go into a shared library, and that
# the tests link directly (so they can reach internal symbols).
function(qv_object_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} OBJECT ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
  target_compile_features(${name} PUBLIC cxx_std_20)
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
  qv_warnings(${name})
endfunction()
