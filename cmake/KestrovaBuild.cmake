# Compiler settings, Boost and GoogleTest for both presets.

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

# Boost is header-only for us. The cross compiler must not see /usr/include as a
# whole, so it gets a folder that holds nothing but a link to Debian's boost/.
set(KES_BOOST_INCLUDE ${CMAKE_BINARY_DIR}/boost-include)
if(NOT EXISTS ${KES_BOOST_INCLUDE}/boost)
    if(NOT EXISTS /usr/include/boost/shared_ptr.hpp)
        message(FATAL_ERROR "Boost headers missing: run tools/setup.sh (libboost-dev)")
    endif()
    file(MAKE_DIRECTORY ${KES_BOOST_INCLUDE})
    file(CREATE_LINK /usr/include/boost ${KES_BOOST_INCLUDE}/boost SYMBOLIC)
endif()
add_library(kes_boost INTERFACE)
target_include_directories(kes_boost SYSTEM INTERFACE ${KES_BOOST_INCLUDE})

# Warnings for our own code only (GoogleTest is built with its own flags).
add_library(kes_warnings INTERFACE)
target_compile_options(kes_warnings INTERFACE -Wall -Wextra -Werror)

if(KES_WINDOWS)
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
    # gcc's default COM support header needs these for _com_ptr_t and friends.
    add_compile_options(-fno-strict-aliasing)
else()
    set(KES_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
endif()

# GoogleTest from Debian's source package, built with whatever compiler this
# preset uses (for Windows: the mingw-w64 cross compiler).
set(KES_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${KES_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest source missing: run tools/setup.sh (googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
if(KES_NATIVE)
    # Tests run under ASan/UBSan, so GoogleTest must be built the same way.
    set(_kes_saved_cxx_flags "${CMAKE_CXX_FLAGS}")
    string(REPLACE ";" " " _kes_san "${KES_SANITIZE_FLAGS}")
    set(CMAKE_CXX_FLAGS "${CMAKE_CXX_FLAGS} ${_kes_san}")
endif()
add_subdirectory(${KES_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(KES_NATIVE)
    set(CMAKE_CXX_FLAGS "${_kes_saved_cxx_flags}")
endif()

# kes_pure_library(<name> <sources>...)
# Portable byte-level code. For Windows it is an ordinary static library. For
# the native preset it is built twice: <name> with ASan/UBSan and fuzzer
# coverage (unit tests and fuzz targets link it) and <name>_fast, optimised
# and uninstrumented, for benchmarks.
function(kes_pure_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC kes_boost PRIVATE kes_warnings)
    if(KES_NATIVE)
        target_compile_options(${name} PUBLIC ${KES_SANITIZE_FLAGS} PRIVATE -fsanitize=fuzzer-no-link)
        target_link_options(${name} PUBLIC ${KES_SANITIZE_FLAGS})
        add_library(${name}_fast STATIC ${ARGN})
        target_include_directories(${name}_fast PUBLIC ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name}_fast PUBLIC kes_boost PRIVATE kes_warnings)
        target_compile_options(${name}_fast PRIVATE -O2)
    endif()
endfunction()

# kes_split_debug_info(<target>)
#   A program or DLL that ships (Kestrova.exe, netcomp.dll) goes out without
#   its debug information, which is most of its size: after each link the
#   debug sections move to <file>.debug beside it, and the file keeps only a
#   link to that file by name and checksum (.gnu_debuglink), through which gdb,
#   addr2line and objdump find every function and line as before. Copy both
#   files together to debug elsewhere.
function(kes_split_debug_info target)
    if(NOT KES_WINDOWS)
        return()
    endif()
    if(NOT CMAKE_OBJCOPY)
        message(FATAL_ERROR "objcopy missing: run tools/setup.sh (binutils-mingw-w64-x86-64)")
    endif()
    set(file $<TARGET_FILE:${target}>)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
        COMMAND ${CMAKE_OBJCOPY} --strip-unneeded --add-gnu-debuglink=${file}.debug ${file}
        VERBATIM)
endfunction()
