# QScintilla for this system: built once per version of the patches into build-deps/ and shared by
# every build folder. Without the package archive the system's library is used instead.
option(TESSARY_BUILD_QSCINTILLA "Build QScintilla from Debian's source package with our patches" ON)
set(tessary_qsci_qt)
if(TESSARY_STATIC_QT)
  # Built against the static Qt, with the project shared with the Windows build.
  set(tessary_qsci_qt --static-qt "${TESSARY_QT_PREFIX}")
  file(SHA256 "${CMAKE_SOURCE_DIR}/cmake/qscintilla/project/CMakeLists.txt" tessary_qsci_build_hash)
  string(APPEND tessary_qsci_hash "${tessary_qsci_build_hash}${TESSARY_QT_PREFIX}")
endif()
string(SHA256 tessary_qsci_hash "${tessary_qsci_hash}")
string(SUBSTRING "${tessary_qsci_hash}" 0 12 tessary_qsci_hash)
set(tessary_qsci_dir "${TESSARY_DEPS_DIR}/qscintilla-2.13.3-${tessary_qsci_hash}")
set(TESSARY_QSCINTILLA_PATCHED OFF)
# A failed attempt is not repeated at every configure of this build folder (it may wait on the
# network); set TESSARY_QSCINTILLA_FAILED=OFF to try again.
set(TESSARY_QSCINTILLA_FAILED OFF CACHE BOOL "Building QScintilla failed before; use the system's")
if(TESSARY_BUILD_QSCINTILLA AND TESSARY_QSCINTILLA_FAILED
   AND NOT EXISTS "${tessary_qsci_dir}/lib/libqscintilla2_qt6.a")
  message(WARNING "QScintilla could not be built from the Debian source package before; using the "
                  "system's libqscintilla2-qt6 (set TESSARY_QSCINTILLA_FAILED=OFF to try again).")
elseif(TESSARY_BUILD_QSCINTILLA)
  if(NOT EXISTS "${tessary_qsci_dir}/lib/libqscintilla2_qt6.a")
    message(STATUS "Building QScintilla 2.13.3 with our patches into ${tessary_qsci_dir} (once)")
  endif()
  execute_process(COMMAND "${CMAKE_SOURCE_DIR}/cmake/qscintilla/build-qscintilla.sh" ${tessary_qsci_qt}
                          "${tessary_qsci_dir}" ${tessary_qsci_patches}
                  RESULT_VARIABLE tessary_qsci_result OUTPUT_VARIABLE tessary_qsci_log
                  ERROR_VARIABLE tessary_qsci_log)
  if(tessary_qsci_result EQUAL 0)
    set(TESSARY_QSCINTILLA_PATCHED ON)
    set(TESSARY_QSCINTILLA_FAILED OFF CACHE BOOL "" FORCE)
  else()
    set(TESSARY_QSCINTILLA_FAILED ON CACHE BOOL "" FORCE)
    string(REGEX REPLACE "[\r\n]+" " " tessary_qsci_log "${tessary_qsci_log}")
    string(STRIP "${tessary_qsci_log}" tessary_qsci_log)
    message(WARNING "QScintilla could not be built from the Debian source package (${tessary_qsci_log}); "
                    "using the system's libqscintilla2-qt6, whose typing slows down on large scripts.")
  endif()
endif()
find_path(QSCINTILLA_INCLUDE_DIR Qsci/qsciscintilla.h
          HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_HEADERS}
          PATH_SUFFIXES qt6 x86_64-linux-gnu/qt6)
if(TESSARY_QSCINTILLA_PATCHED)
  set(tessary_qsci_library "${tessary_qsci_dir}/lib/libqscintilla2_qt6.a")
  set(tessary_qsci_include "${tessary_qsci_dir}/include")
  # Our patch leaves the headers alone: where the system's are the same, compile against those so
  # that command lines (and the shared compiler cache) do not change with the library's folder.
  if(QSCINTILLA_INCLUDE_DIR)
    set(tessary_qsci_same_headers ON)
    file(GLOB tessary_qsci_headers RELATIVE "${tessary_qsci_include}" "${tessary_qsci_include}/Qsci/*.h")
    foreach(header ${tessary_qsci_headers})
      file(SHA256 "${tessary_qsci_include}/${header}" ours)
      if(EXISTS "${QSCINTILLA_INCLUDE_DIR}/${header}")
        file(SHA256 "${QSCINTILLA_INCLUDE_DIR}/${header}" theirs)
      else()
        set(theirs "")
      endif()
      if(NOT ours STREQUAL theirs)
        set(tessary_qsci_same_headers OFF)
      endif()
    endforeach()
    if(tessary_qsci_same_headers)
      set(tessary_qsci_include "${QSCINTILLA_INCLUDE_DIR}")
    endif()
  endif()
else()
  if(TESSARY_STATIC_QT)
    message(FATAL_ERROR "The system's QScintilla is built for the system's shared Qt, not for the static "
                        "Qt built here: configure with -DTESSARY_PRIVATE_QT=OFF.")
  endif()
  if(NOT QSCINTILLA_INCLUDE_DIR)
    message(FATAL_ERROR "QScintilla's headers were not found: apt-get install libqscintilla2-qt6-dev")
  endif()
  find_library(QSCINTILLA_LIBRARY NAMES qscintilla2_qt6 REQUIRED)
  set(tessary_qsci_library "${QSCINTILLA_LIBRARY}")
  set(tessary_qsci_include "${QSCINTILLA_INCLUDE_DIR}")
endif()
if(TESSARY_QSCINTILLA_PATCHED)
  # Our build is a static library made of one section per function: the programs drop what they
  # do not call.
  add_library(QScintilla::QScintilla STATIC IMPORTED)
  set_target_properties(QScintilla::QScintilla PROPERTIES INTERFACE_LINK_OPTIONS "LINKER:--gc-sections")
else()
  # The system's shared library: its folder goes into the programs' RPATH.
  add_library(QScintilla::QScintilla UNKNOWN IMPORTED)
  set_target_properties(QScintilla::QScintilla PROPERTIES INTERFACE_COMPILE_DEFINITIONS QSCINTILLA_DLL)
endif()
set_target_properties(QScintilla::QScintilla PROPERTIES
    IMPORTED_LOCATION "${tessary_qsci_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${tessary_qsci_include}"
    INTERFACE_LINK_LIBRARIES "Qt6::Widgets;Qt6::PrintSupport")
