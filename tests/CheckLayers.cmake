# The layering rules of the source tree, checked on every test run:
# - QtWidgets and QtGui are included only by the two programs' folders and by widget files
#   (forms, windows, dialogs, the about box), and by the one platform file that opens documents
#   with the desktop;
# - the reader link knows neither the local store nor the routes;
# - the shared units know none of the subsystems.
# Run as: cmake -DSRC=<src dir> -DWIDGETS_DIR=<QtWidgets include dir> -DGUI_DIR=<QtGui include dir> -P CheckLayers.cmake
file(GLOB_RECURSE sources RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.cpp")
set(problems "")
foreach(rel IN LISTS sources)
  file(STRINGS "${SRC}/${rel}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  get_filename_component(name "${rel}" NAME_WE)
  set(widgetFile FALSE)
  if(rel MATCHES "^(manager|processing)/" OR name MATCHES "Window|Dialog|^TForm|^TAbout|^DesktopOpen$")
    set(widgetFile TRUE)
  endif()
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
    if(NOT widgetFile)
      string(REGEX REPLACE "^Qt(Widgets|Gui)/" "" bare "${header}")
      if(header MATCHES "^Qt(Widgets|Gui)/" OR (header MATCHES "^Q[A-Za-z]+$"
         AND (EXISTS "${WIDGETS_DIR}/${bare}" OR EXISTS "${GUI_DIR}/${bare}")))
        string(APPEND problems "  ${rel}: includes <${header}>, a widget or GUI header, outside the widget files\n")
      endif()
    endif()
    if(rel MATCHES "^reader/" AND header MATCHES "^(store|routes)/")
      string(APPEND problems "  ${rel}: the reader link includes \"${header}\"\n")
    endif()
    if(rel MATCHES "^common/" AND header MATCHES "^(reader|routes|store|manager|processing)/")
      string(APPEND problems "  ${rel}: a shared unit includes \"${header}\"\n")
    endif()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "Layering rules broken:\n${problems}")
endif()
list(LENGTH sources count)
message(STATUS "Layering rules hold in ${count} files")
