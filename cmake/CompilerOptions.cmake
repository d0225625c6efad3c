add_compile_options(-Wall -Wextra -Werror)
# Qt's narrowing conversions between QString and const char* hide encoding mistakes:
# every byte string here is Windows-1252, never UTF-8 by accident.
add_compile_definitions(QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
                        QT_NO_URL_CAST_FROM_STRING QT_NO_KEYWORDS)

if(VO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Every object carries the fuzzer's coverage hooks and the sanitizers; only the fuzz executables
# link libFuzzer's main (fuzz/CMakeLists.txt adds -fsanitize=fuzzer to them).
if(VO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VO_FUZZ needs clang: configure with CC=clang CXX=clang++")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
