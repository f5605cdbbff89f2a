# The three OpenCV modules the engine uses, found from Debian's per-module development packages alone
# (libopencv-{core,imgproc,imgcodecs}-dev): the CMake package of the whole library would pull in every
# module and its dependencies. Each becomes an imported target named as the library's own
# (opencv_core, ...), with its shared object name for opening at run time.
find_path(OPENCV_MODULES_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
set(OpenCV_INCLUDE_DIRS ${OPENCV_MODULES_INCLUDE_DIR})
foreach(module core imgproc imgcodecs)
  find_library(OPENCV_${module}_LIBRARY opencv_${module} REQUIRED)
  add_library(opencv_${module} SHARED IMPORTED)
  # libopencv_x.so links to its shared object name (libopencv_x.so.406), which the loader knows it by.
  set(_soname ${OPENCV_${module}_LIBRARY})
  if(IS_SYMLINK ${OPENCV_${module}_LIBRARY})
    file(READ_SYMLINK ${OPENCV_${module}_LIBRARY} _soname)
  endif()
  get_filename_component(_soname ${_soname} NAME)
  set_target_properties(opencv_${module} PROPERTIES IMPORTED_LOCATION ${OPENCV_${module}_LIBRARY}
    IMPORTED_SONAME ${_soname} INTERFACE_INCLUDE_DIRECTORIES ${OPENCV_MODULES_INCLUDE_DIR})
endforeach()
set_property(TARGET opencv_imgproc PROPERTY INTERFACE_LINK_LIBRARIES opencv_core)
set_property(TARGET opencv_imgcodecs PROPERTY INTERFACE_LINK_LIBRARIES opencv_core)
