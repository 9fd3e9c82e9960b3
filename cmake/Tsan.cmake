# Under ThreadSanitizer (the tsan preset) every program and test links the
# stand-in that tells tsan how Qt hands a call to another thread
# (tsan_qt_handover.cpp). Included at the end of the top CMakeLists.txt, once
# every target exists.
if(NOT CMAKE_CXX_FLAGS MATCHES "sanitize=thread")
  return()
endif()
add_library(tovrin_tsan_qt_handover OBJECT ${CMAKE_CURRENT_LIST_DIR}/tsan_qt_handover.cpp)
target_link_libraries(tovrin_tsan_qt_handover PRIVATE Qt6::Core)

function(tovrin_tsan_link_executables dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_link_libraries(${target} PRIVATE tovrin_tsan_qt_handover ${CMAKE_DL_LIBS})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    tovrin_tsan_link_executables(${subdir})
  endforeach()
endfunction()
tovrin_tsan_link_executables(${PROJECT_SOURCE_DIR})
