# vo_add_test(NAME name SOURCES ... LIBS ... [X11] [UNIX_ONLY])
# One QtTest executable per unit; GUI tests run on the offscreen platform so CI needs no display.
# X11 suites test what only a window system shows (titles, placement, real key events): they run
# on xcb against the X server named by VO_X11_DISPLAY at run time (scripts/test starts Xvfb),
# one at a time, since keyboard focus is shared, and carry the label x11.
#
# Cross-built for Windows, the suites run under Wine (the emulator), offscreen, with QtTest's
# report on the standard error; the x11 suites have nothing to test there and are left out, as
# are the UNIX_ONLY ones, which test what only Unix has (a file size limit for a full disk, the
# desktop's default browser); the Windows side of those has its own suite.
if(WIN32)
    # Where Wine finds the DLLs the suites load, Qt's and MinGW's, through its drive Z: (the
    # Linux root).
    set(wine_dirs "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
    foreach(dll libstdc++-6.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
        get_filename_component(dir "${found}" DIRECTORY)
        list(APPEND wine_dirs "${dir}")
    endforeach()
    list(TRANSFORM wine_dirs PREPEND "Z:")
    list(JOIN wine_dirs "\\;" VO_WINE_PATH)
    # The offscreen platform brings no fonts on Windows. It gets DejaVu Sans, the face that the
    # Linux suites' offscreen platform gives every family, from a folder that holds nothing else.
    set(VO_TEST_FONT_DIR ${CMAKE_BINARY_DIR}/test-fonts)
    file(MAKE_DIRECTORY ${VO_TEST_FONT_DIR})
    foreach(face DejaVuSans DejaVuSans-Bold DejaVuSans-Oblique DejaVuSans-BoldOblique)
        file(CREATE_LINK /usr/share/fonts/truetype/dejavu/${face}.ttf ${VO_TEST_FONT_DIR}/${face}.ttf SYMBOLIC)
    endforeach()
endif()

function(vo_add_test)
    cmake_parse_arguments(T "X11;UNIX_ONLY" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(WIN32 AND (T_X11 OR T_UNIX_ONLY))
        return()
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    if(WIN32)
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
        # Wine hides QT_ variables from Windows programs and hands them WINEQT_ ones instead.
        # Without a console QtTest reports to the debugger; the forced logging goes to stderr.
        set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
            ENVIRONMENT "WINEQT_QPA_PLATFORM=offscreen;WINEQT_QPA_FONTDIR=Z:${VO_TEST_FONT_DIR};WINEQT_FORCE_STDERR_LOGGING=1;WINEPATH=${VO_WINE_PATH}")
        return()
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(platform offscreen)
    if(T_X11)
        set(platform xcb)
        set_tests_properties(${T_NAME} PROPERTIES LABELS x11 RESOURCE_LOCK x11_display)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1")
endfunction()
