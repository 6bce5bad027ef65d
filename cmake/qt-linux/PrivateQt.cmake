# Builds (once per machine) or finds the static Qt and points find_package(Qt6) at it; without it
# (no package archive, a failed build) the system's shared Qt is used. Sets TESSARY_STATIC_QT and
# TESSARY_QT_PREFIX.
set(TESSARY_PRIVATE_QT_FAILED OFF CACHE BOOL "Building Qt failed before; use the system's")
if(TESSARY_PRIVATE_QT_FAILED)
  message(WARNING "Qt could not be built from the Debian source package before; using the system's "
                  "(set TESSARY_PRIVATE_QT_FAILED=OFF to try again).")
  return()
endif()
message(STATUS "Qt 6 for this system: building it once from Debian's source package if not cached "
               "(about 20 minutes on two cores)")
execute_process(COMMAND "${CMAKE_SOURCE_DIR}/cmake/qt-linux/build-qt-linux.sh"
                RESULT_VARIABLE tessary_qt_result OUTPUT_VARIABLE tessary_qt_prefix
                ERROR_VARIABLE tessary_qt_log OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT tessary_qt_result EQUAL 0 OR NOT EXISTS "${tessary_qt_prefix}/lib/cmake/Qt6/Qt6Config.cmake")
  set(TESSARY_PRIVATE_QT_FAILED ON CACHE BOOL "" FORCE)
  string(REGEX REPLACE "[\r\n]+" " " tessary_qt_log "${tessary_qt_log}")
  message(WARNING "Qt could not be built from the Debian source package (${tessary_qt_log}); "
                  "using the system's shared Qt.")
  return()
endif()
# A folder configured before with another Qt forgets where that one's packages were.
if(DEFINED CACHE{Qt6_DIR} AND NOT Qt6_DIR STREQUAL "${tessary_qt_prefix}/lib/cmake/Qt6")
  get_cmake_property(tessary_cached CACHE_VARIABLES)
  foreach(variable ${tessary_cached})
    if(variable MATCHES "^Qt6.*_DIR$")
      unset(${variable} CACHE)
    endif()
  endforeach()
endif()
set(Qt6_DIR "${tessary_qt_prefix}/lib/cmake/Qt6" CACHE PATH "The Qt the programs are built with" FORCE)
# Its bundled libraries (PCRE2, HarfBuzz) are packages of the same prefix.
list(PREPEND CMAKE_PREFIX_PATH "${tessary_qt_prefix}")
set(TESSARY_QT_PREFIX "${tessary_qt_prefix}")
set(TESSARY_STATIC_QT ON)
