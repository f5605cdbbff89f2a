# Each layer is its own static library, and each library sees only its own headers and those of the layers it
# links. A layer's include root holds one link, named after the layer's folder, to that folder alone, so an
# include that runs upward (the engine naming "app/..." or "ui/...") does not compile.
#
#   tarnelo_layer(<target> <folder under src> [QT] LINK <libraries...> [SOURCES <files...>])
#
# Without SOURCES the layer takes every .cpp of its folder.
function(tarnelo_layer name folder)
  cmake_parse_arguments(PARSE_ARGV 2 L "QT" "" "LINK;SOURCES")
  if(L_SOURCES)
    set(_srcs ${L_SOURCES})
  else()
    file(GLOB _srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
  endif()
  if(NOT _srcs)
    # A layer may still be empty while it is being built up.
    set(_srcs ${CMAKE_BINARY_DIR}/generated/${name}_empty.cpp)
    file(WRITE ${_srcs} "")
  endif()
  set(_root ${CMAKE_BINARY_DIR}/layers/${name})
  get_filename_component(_parent ${_root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${_parent})
  if(NOT EXISTS ${_root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${_root}/${folder} SYMBOLIC)
  endif()
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${_root} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC Threads::Threads ${L_LINK})
  if(L_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()
