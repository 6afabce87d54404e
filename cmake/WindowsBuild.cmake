# What the Windows build adds to the tree (included from the top CMakeLists.txt when WIN32).
#
# The programs link the C++ runtime as DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1)
# and those go beside them: Qt's DLLs are built with the same compiler and already need them,
# so a second, static copy in the program would only split the runtime in two (two heaps of
# exception and thread state on one process).

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# Windows wants a Unicode entry point for a window program; Qt's entry-point library gives
# the program its usual main(argc, argv) on top of it.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

# The DLLs and plugins the programs load, copied beside them once they are built:
# `simplescope_windows_runtime` (a target every program depends on).
set(SIMPLESCOPE_QT_PREFIX "" CACHE PATH "The Qt for Windows that tools/build-windows-libs.sh built")
if(NOT SIMPLESCOPE_QT_PREFIX)
  get_filename_component(SIMPLESCOPE_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE libstdcxx_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                OUTPUT_VARIABLE libgcc_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(SIMPLESCOPE_WINPTHREAD_DLL libwinpthread-1.dll
          PATHS /usr/x86_64-w64-mingw32/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(SIMPLESCOPE_WINDOWS_DLLS
    ${libstdcxx_dll} ${libgcc_dll} ${SIMPLESCOPE_WINPTHREAD_DLL}
    ${SIMPLESCOPE_QT_PREFIX}/bin/Qt6Core.dll ${SIMPLESCOPE_QT_PREFIX}/bin/Qt6Gui.dll
    ${SIMPLESCOPE_QT_PREFIX}/bin/Qt6Widgets.dll)
# Qt SVG where tools/build-windows-svg.sh built it (the chart's pictures as SVG).
if(TARGET Qt6::Svg)
  get_target_property(svg_dll Qt6::Svg IMPORTED_LOCATION_RELEASE)
  list(APPEND SIMPLESCOPE_WINDOWS_DLLS ${svg_dll})
endif()
# Qt's Japanese catalogue for its own dialogs' words, which the programs look for in a
# folder "translations" beside them. A .qm file is the same on every platform: it is taken
# from Debian's qt6-translations-l10n, built from the same Qt release as the Qt for Windows.
find_file(SIMPLESCOPE_QT_JAPANESE_CATALOGUE qtbase_ja.qm PATHS /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
add_custom_target(simplescope_windows_runtime
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/platforms ${bin}/styles ${bin}/translations
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SIMPLESCOPE_WINDOWS_DLLS} ${bin}
  # Debian ships the C++ runtime DLLs with their symbols (libstdc++ 24 MB, 2 MB without).
  COMMAND ${CMAKE_STRIP} --strip-unneeded ${bin}/libstdc++-6.dll ${bin}/libgcc_s_seh-1.dll
          ${bin}/libwinpthread-1.dll
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${SIMPLESCOPE_QT_PREFIX}/plugins/platforms/qwindows.dll ${bin}/platforms
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${SIMPLESCOPE_QT_PREFIX}/plugins/styles/qwindowsvistastyle.dll ${bin}/styles
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SIMPLESCOPE_QT_JAPANESE_CATALOGUE}
          ${bin}/translations
  COMMENT "Qt and C++ runtime DLLs and Qt's Japanese catalogue beside the programs"
  VERBATIM)
# The test programs also need Qt Test.
add_custom_target(simplescope_windows_test_runtime
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SIMPLESCOPE_QT_PREFIX}/bin/Qt6Test.dll ${bin}
  DEPENDS simplescope_windows_runtime
  VERBATIM)

# GoogleTest from Debian's source package (googletest, /usr/src/googletest), built here with
# the cross compiler.
macro(simplescope_windows_googletest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
  endif()
endmacro()

# simplescope_windows_resources(target ICON png DESCRIPTION text): the program's icon and its
# version resource (product, version, description, MIT licence), compiled in with windres.
# The icon is the PNG itself: since Windows Vista an icon image may be a PNG file as it is,
# so the resource holds it with the small directory that an .ico file would have around it.
function(simplescope_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "ICON;DESCRIPTION" "")
  file(SIZE ${arg_ICON} SIMPLESCOPE_RC_ICON_BYTES)
  # The directory's width and height bytes (0 stands for 256) from the PNG header's.
  file(READ ${arg_ICON} header OFFSET 18 LIMIT 6 HEX)  # the low 2 bytes of width, height
  string(SUBSTRING "${header}" 0 4 width)
  string(SUBSTRING "${header}" 8 4 height)
  math(EXPR width "0x${width} % 256" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR height "0x${height} % 256" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR SIMPLESCOPE_RC_ICON_SIZE "${height} * 256 + ${width}" OUTPUT_FORMAT HEXADECIMAL)
  set(SIMPLESCOPE_RC_ICON ${arg_ICON})
  set(SIMPLESCOPE_RC_TARGET ${target})
  set(SIMPLESCOPE_RC_DESCRIPTION "${arg_DESCRIPTION}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/WindowsProgram.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${arg_ICON})
  target_sources(${target} PRIVATE ${rc})
endfunction()
