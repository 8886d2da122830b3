# solvane_core_library(NAME SOURCES...): a static library of plain C++ with no Qt.
# Core must stay usable without windows (the CLI, the generator and the tests link only core),
# so configuring fails when a core file includes a Qt header.
function(solvane_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC solvane_flags)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  # Every source of the library and every header of its folder: a header no source includes yet must
  # not bring Qt in either. The windows live in src/gui, so no core folder holds one.
  set(files)
  foreach(src IN LISTS ARGN)
    get_filename_component(abs "${src}" ABSOLUTE)
    list(APPEND files "${abs}")
  endforeach()
  file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  list(APPEND files ${headers})
  foreach(file IN LISTS files)
    file(STRINGS "${file}" qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
    if(qt_includes)
      message(FATAL_ERROR "Core file ${file} includes Qt (${qt_includes}); core must not depend on Qt.")
    endif()
  endforeach()
endfunction()
