# The Windows build, cross-compiled with mingw-w64 against the Qt that
# cmake/qt-windows/build-qt-windows.sh builds (configure with that Qt's lib/cmake/Qt6/qt.toolchain.cmake).
# Included from the top level when WIN32: QScintilla for that Qt, the program's icon and version
# resource, the theme icons the program would otherwise find on the desktop, and the environment
# the tests need to run under Wine.

# Qt's prefix: lib/cmake/Qt6 lies three levels below it.
get_filename_component(TESSARY_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)

# QScintilla from Debian's source package with our patches, once per patch set, build file and Qt.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             "${CMAKE_SOURCE_DIR}/cmake/qscintilla/project/CMakeLists.txt")
file(SHA256 "${CMAKE_SOURCE_DIR}/cmake/qscintilla/project/CMakeLists.txt" tessary_qsci_build_hash)
get_filename_component(tessary_qt_name "${TESSARY_QT_PREFIX}" NAME)
string(SHA256 tessary_qsci_hash "${tessary_qsci_hash}${tessary_qsci_build_hash}${tessary_qt_name}")
string(SUBSTRING "${tessary_qsci_hash}" 0 12 tessary_qsci_hash)
set(tessary_qsci_dir "${TESSARY_DEPS_DIR}/qscintilla-2.13.3-mingw64-${tessary_qsci_hash}")
if(NOT EXISTS "${tessary_qsci_dir}/bin/qscintilla2_qt6.dll")
  message(STATUS "Building QScintilla 2.13.3 for Windows with our patches into ${tessary_qsci_dir} (once)")
endif()
execute_process(COMMAND "${CMAKE_SOURCE_DIR}/cmake/qscintilla/build-qscintilla.sh" --windows "${TESSARY_QT_PREFIX}"
                        "${tessary_qsci_dir}" ${tessary_qsci_patches}
                RESULT_VARIABLE tessary_qsci_result OUTPUT_VARIABLE tessary_qsci_log ERROR_VARIABLE tessary_qsci_log)
if(NOT tessary_qsci_result EQUAL 0)
  message(FATAL_ERROR "QScintilla could not be built for Windows: ${tessary_qsci_log}")
endif()
set(TESSARY_QSCINTILLA_PATCHED ON)
add_library(QScintilla::QScintilla SHARED IMPORTED)
set_target_properties(QScintilla::QScintilla PROPERTIES
    IMPORTED_LOCATION "${tessary_qsci_dir}/bin/qscintilla2_qt6.dll"
    IMPORTED_IMPLIB "${tessary_qsci_dir}/lib/libqscintilla2_qt6.dll.a"
    INTERFACE_INCLUDE_DIRECTORIES "${tessary_qsci_dir}/include"
    INTERFACE_COMPILE_DEFINITIONS QSCINTILLA_DLL
    INTERFACE_LINK_LIBRARIES "Qt6::Widgets;Qt6::PrintSupport")

# Debian's resource compiler may compress with zstd, which this Qt has no reader for.
set(CMAKE_AUTORCC_OPTIONS --no-zstd)

# Where the DLLs the programs load are found: Qt's, QScintilla's and the compiler's runtime.
set(TESSARY_DLL_DIRS "${TESSARY_QT_PREFIX}/bin" "${tessary_qsci_dir}/bin")
foreach(runtime libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(found "${found}" DIRECTORY)
  get_filename_component(found "${found}" REALPATH)
  list(APPEND TESSARY_DLL_DIRS "${found}")
endforeach()
list(REMOVE_DUPLICATES TESSARY_DLL_DIRS)

# Tests run through Wine, which sees this system's root folder as drive Z: and finds the DLLs on
# WINEPATH. Wine passes no QT_* variable of this system on, but WINEQT_* ones as QT_*: the
# offscreen platform, which draws with FreeType from a font folder it is given, and test output on
# the standard streams (without a console Qt sends it to the debugger's channel).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(tessary_winepath)
foreach(dir ${TESSARY_DLL_DIRS})
  string(REPLACE "/" "\\" dir "Z:${dir}")
  list(APPEND tessary_winepath "${dir}")
endforeach()
list(JOIN tessary_winepath "\\;" tessary_winepath)
# One string, not a list: list commands would drop the escapes of WINEPATH's separators.
set(TESSARY_TEST_ENVIRONMENT
    "WINEPATH=${tessary_winepath};WINEQT_QPA_PLATFORM=offscreen;WINEQT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/dejavu;WINEQT_FORCE_STDERR_LOGGING=1")

# The program's icon in the sizes Windows shows, drawn from the one hand-made SVG when configuring.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)
set(TESSARY_ICON_SVG ${PROJECT_SOURCE_DIR}/src/resources/tessary-editor.svg)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TESSARY_ICON_SVG})
set(tessary_icon_dir ${PROJECT_BINARY_DIR}/windows/icons)
set(tessary_icon_sizes 16 24 32 48 64 128 256)
set(tessary_icon_pngs)
set(tessary_icon_qrc_entries)
set(tessary_hicolor_dirs)
foreach(size ${tessary_icon_sizes})
  set(dir hicolor/${size}x${size}/apps)
  file(MAKE_DIRECTORY ${tessary_icon_dir}/${dir})
  execute_process(COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${tessary_icon_dir}/${dir}/tessary-editor.png
                          ${TESSARY_ICON_SVG} COMMAND_ERROR_IS_FATAL ANY)
  list(APPEND tessary_icon_pngs ${tessary_icon_dir}/${dir}/tessary-editor.png)
  list(APPEND tessary_hicolor_dirs ${size}x${size}/apps)
  string(APPEND tessary_icon_qrc_entries "    <file>${dir}/tessary-editor.png</file>\n")
endforeach()
set(TESSARY_WINDOWS_ICON ${PROJECT_BINARY_DIR}/windows/tessary-editor.ico)
execute_process(COMMAND ${ICOTOOL} -c -o ${TESSARY_WINDOWS_ICON} ${tessary_icon_pngs} COMMAND_ERROR_IS_FATAL ANY)
list(JOIN tessary_hicolor_dirs "," tessary_hicolor_dirs)
file(WRITE ${tessary_icon_dir}/hicolor/index.theme "[Icon Theme]\nName=hicolor\nDirectories=${tessary_hicolor_dirs}\n")
foreach(size ${tessary_icon_sizes})
  file(APPEND ${tessary_icon_dir}/hicolor/index.theme "\n[${size}x${size}/apps]\nSize=${size}\nType=Fixed\n")
endforeach()

# Windows has no icon theme: the action icons the program asks the theme for are compiled in from
# the Tango theme (public domain), with the program's own icon under hicolor.
set(tessary_tango /usr/share/icons/Tango)
if(NOT EXISTS ${tessary_tango}/index.theme)
  message(FATAL_ERROR "The Tango icon theme is missing: apt-get install tango-icon-theme")
endif()
configure_file(${tessary_tango}/index.theme ${tessary_icon_dir}/Tango/index.theme COPYONLY)
string(APPEND tessary_icon_qrc_entries "    <file>Tango/index.theme</file>\n    <file>hicolor/index.theme</file>\n")
foreach(name document-new document-open document-save document-print edit-cut edit-copy edit-paste edit-undo
             edit-redo format-indent-less format-indent-more edit-find-replace text-x-generic
             accessories-text-editor)
  foreach(size 16x16 22x22 24x24 32x32)
    file(GLOB found RELATIVE ${tessary_tango} ${tessary_tango}/${size}/*/${name}.png)
    foreach(icon ${found})
      configure_file(${tessary_tango}/${icon} ${tessary_icon_dir}/Tango/${icon} COPYONLY)
      string(APPEND tessary_icon_qrc_entries "    <file>Tango/${icon}</file>\n")
    endforeach()
  endforeach()
endforeach()
set(TESSARY_WINDOWS_QRC ${tessary_icon_dir}/icons.qrc)
file(WRITE ${TESSARY_WINDOWS_QRC}.in
     "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/icons\">\n${tessary_icon_qrc_entries}</qresource>\n</RCC>\n")
configure_file(${TESSARY_WINDOWS_QRC}.in ${TESSARY_WINDOWS_QRC} COPYONLY)

set(TESSARY_WINDOWS_RC ${PROJECT_BINARY_DIR}/windows/tessary-editor.rc)
configure_file(${PROJECT_SOURCE_DIR}/src/resources/windows/tessary-editor.rc.in ${TESSARY_WINDOWS_RC} @ONLY)
set_source_files_properties(${TESSARY_WINDOWS_RC} PROPERTIES OBJECT_DEPENDS ${TESSARY_WINDOWS_ICON})
enable_language(RC)

# For scripts/package-windows.sh: where the DLLs come from, one folder a line.
list(JOIN TESSARY_DLL_DIRS "\n" tessary_dll_lines)
file(WRITE ${PROJECT_BINARY_DIR}/windows/dll-dirs.txt "${tessary_dll_lines}\n")
file(WRITE ${PROJECT_BINARY_DIR}/windows/qt-prefix.txt "${TESSARY_QT_PREFIX}\n")
file(WRITE ${PROJECT_BINARY_DIR}/windows/qscintilla-prefix.txt "${tessary_qsci_dir}\n")
