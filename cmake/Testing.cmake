# vo_add_test(NAME name SOURCES ... LIBS ... [X11])
# One QtTest executable per unit; GUI tests run on the offscreen platform so CI needs no display.
# X11 suites test what only a window system shows (titles, placement, real key events): they run
# on xcb against the X server named by VO_X11_DISPLAY at run time (scripts/test starts Xvfb),
# one at a time, since keyboard focus is shared, and carry the label x11.
function(vo_add_test)
    cmake_parse_arguments(T "X11" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set(platform offscreen)
    if(T_X11)
        set(platform xcb)
        set_tests_properties(${T_NAME} PROPERTIES LABELS x11 RESOURCE_LOCK x11_display)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1")
endfunction()
