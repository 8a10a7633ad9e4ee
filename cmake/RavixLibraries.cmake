# ravix_core_library(<folder>): the core library ravix_<folder> of a library folder, made
# of every .cpp directly in it (QtCore at most, never Qt Widgets: the windows live in
# gui/). Call it from the folder's CMakeLists.txt, then add the library's own link
# dependencies. cmake/layers.txt gives the order in which the folders may include each
# other; the layering test checks it.
function(ravix_core_library folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(ravix_${folder} STATIC ${sources})
  target_include_directories(ravix_${folder} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(ravix_${folder} PUBLIC ravix_platform PRIVATE ravix_warnings)
endfunction()
