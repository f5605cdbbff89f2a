# Each layer is its own static library so that the one-way dependencies
# (engine -> project -> log -> platform) are enforced by the linker, not by habit.
function(tarnelo_layer name folder)
  file(GLOB _srcs CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(NOT _srcs)
    # A layer may still be empty while it is being built up.
    set(_srcs ${CMAKE_BINARY_DIR}/generated/${name}_empty.cpp)
    file(WRITE ${_srcs} "")
  endif()
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC Threads::Threads ${ARGN})
endfunction()
