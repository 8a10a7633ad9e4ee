# ravix_core_library(<folder>): the core library ravix_<folder> of a subsystem folder,
# made of every .cpp directly in it (no Qt Widgets; the folder's windows live in ui/, a
# separate GUI target added when RAVIX_BUILD_GUI is on). Call it from the folder's
# CMakeLists.txt, then add the library's own link dependencies.
function(ravix_core_library folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(ravix_${folder} STATIC ${sources})
  target_include_directories(ravix_${folder} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(ravix_${folder} PUBLIC ravix_platform PRIVATE ravix_warnings)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/ui/CMakeLists.txt AND RAVIX_BUILD_GUI)
    add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/ui ${CMAKE_CURRENT_BINARY_DIR}/ui)
  endif()
endfunction()
