# Test registration. Every test program is one CTest test.
#
# Windows test programs run under Wine in a private prefix inside the build
# tree. A CTest fixture makes the prefix (once), starts one persistent
# wineserver for the whole run and stops it at the end, so each program start
# costs well under a second. GUI tests get a second prefix with the X11 driver
# and a private Xvfb display that the same fixture brings up.

enable_testing()

set(KES_TOOLS ${CMAKE_SOURCE_DIR}/tools)
set(KES_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(KES_WINE_PREFIX_GUI ${CMAKE_BINARY_DIR}/wineprefix-gui)
set(KES_TEST_WORK ${CMAKE_BINARY_DIR}/testwork)

if(KES_WINDOWS)
    # Keeps each GUI prefix's desktop up from its set-up to its tear-down.
    add_executable(kes_desktop_keeper WIN32 ${KES_TOOLS}/desktop-keeper.cpp)
    target_link_libraries(kes_desktop_keeper PRIVATE kes_warnings)
    add_test(NAME wine.prefix.up COMMAND ${KES_TOOLS}/wine-prefix.sh up ${KES_WINE_PREFIX})
    add_test(NAME wine.prefix.down COMMAND ${KES_TOOLS}/wine-prefix.sh down ${KES_WINE_PREFIX})
    set_tests_properties(wine.prefix.up PROPERTIES FIXTURES_SETUP wine)
    set_tests_properties(wine.prefix.down PROPERTIES FIXTURES_CLEANUP wine)
    # How wine-run.sh judges and describes programs that end badly. It makes a
    # prefix of its own (about 36 s alone), which a first run of every test at
    # once on a busy machine once stretched past 120 s.
    add_test(NAME wine_run_checks
             COMMAND ${KES_TOOLS}/tests/wine-run-test.sh ${KES_WINE_PREFIX} ${KES_TEST_WORK}/wine_run_checks)
    set_tests_properties(wine_run_checks PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endif()

# kes_add_test(<target> [GUI] [DPI <dpi>] [NAME <test>] [FIXTURES <fixture>...] [ARGS <arg>...]
#              [WRAP <command>...])
#   Registers <target> as one test (named <test>, by default <target>).
#   WRAP runs the test through a command that sets up its surroundings (a
#   network namespace of its own) and then runs the rest of its arguments.
#   FIXTURES names further CTest fixtures the program needs (test servers
#   started by the set-up). GUI runs it on a display; DPI (with GUI) in a
#   prefix of its own whose screen has that many dots per inch instead of 96.
#   Each test runs in its own folder under testwork/, made fresh for every run.
#   Programs on one display take turns (a RESOURCE_LOCK named after its
#   fixture): they find windows and read pixels of the whole screen, where
#   another program's windows would be met. So do the programs of a peer
#   whose state the tests read or set (kes_add_peer's TAKE_TURNS). Further
#   locks are added with set_property(TEST ... APPEND PROPERTY RESOURCE_LOCK).
function(kes_add_test target)
    cmake_parse_arguments(T "GUI" "DPI;NAME" "FIXTURES;ARGS;WRAP" ${ARGN})
    if(NOT T_NAME)
        set(T_NAME ${target})
    endif()
    set(work ${KES_TEST_WORK}/${T_NAME})
    if(KES_WINDOWS)
        if(T_GUI)
            if(T_DPI AND NOT T_DPI EQUAL 96)
                set(prefix ${KES_WINE_PREFIX_GUI}-${T_DPI})
                set(fixture wine_gui_${T_DPI})
            else()
                set(T_DPI 96)
                set(prefix ${KES_WINE_PREFIX_GUI})
                set(fixture wine_gui)
            endif()
            get_property(gui_added GLOBAL PROPERTY KES_GUI_FIXTURE_${T_DPI})
            if(NOT gui_added)
                add_test(NAME ${fixture}.up COMMAND ${KES_TOOLS}/wine-prefix.sh up-gui ${prefix} ${T_DPI}
                                                    $<TARGET_FILE:kes_desktop_keeper>)
                add_test(NAME ${fixture}.down COMMAND ${KES_TOOLS}/wine-prefix.sh down ${prefix})
                set_tests_properties(${fixture}.up PROPERTIES FIXTURES_SETUP ${fixture})
                set_tests_properties(${fixture}.down PROPERTIES FIXTURES_CLEANUP ${fixture})
                set_property(GLOBAL PROPERTY KES_GUI_FIXTURE_${T_DPI} ON)
            endif()
            set(fixtures ${fixture})
        else()
            set(prefix ${KES_WINE_PREFIX})
            set(fixtures wine)
        endif()
        # A GoogleTest program passes only with its closing summary.
        get_target_property(libs ${target} LINK_LIBRARIES)
        set(kind "")
        if("gtest" IN_LIST libs OR "gtest_main" IN_LIST libs)
            set(kind --gtest)
        endif()
        add_test(NAME ${T_NAME}
                 COMMAND ${T_WRAP} ${KES_TOOLS}/wine-run.sh ${kind} ${prefix} ${work} $<TARGET_FILE:${target}>
                         ${T_ARGS})
    else()
        add_test(NAME ${T_NAME} COMMAND ${T_WRAP} ${KES_TOOLS}/native-run.sh ${work} $<TARGET_FILE:${target}> ${T_ARGS})
        set(fixtures "")
    endif()
    set(locks "")
    if(KES_WINDOWS AND T_GUI)
        list(APPEND locks ${fixture})
    endif()
    foreach(peer IN LISTS T_FIXTURES)
        get_property(turns GLOBAL PROPERTY KES_PEER_TURNS_${peer})
        if(turns)
            list(APPEND locks peer.${peer})
        endif()
    endforeach()
    list(APPEND fixtures ${T_FIXTURES})
    set_tests_properties(${T_NAME} PROPERTIES
        FIXTURES_REQUIRED "${fixtures}"
        ENVIRONMENT "KES_SOURCE_DIR=${CMAKE_SOURCE_DIR};KES_BINARY_DIR=${CMAKE_BINARY_DIR}"
        TIMEOUT 600)
    if(locks)
        set_property(TEST ${T_NAME} APPEND PROPERTY RESOURCE_LOCK ${locks})
    endif()
endfunction()

# kes_add_gtest(<target> SOURCES <src>... LIBS <lib>... [GUI] [FIXTURES ...] [WRAP ...])
#   A GoogleTest program linked with gtest_main (or its own main when the
#   sources define one: pass NO_MAIN).
function(kes_add_gtest target)
    cmake_parse_arguments(T "GUI;NO_MAIN" "" "SOURCES;LIBS;FIXTURES;WRAP" ${ARGN})
    add_executable(${target} ${T_SOURCES})
    if(KES_WINDOWS)
        # A temporary folder of the program's own (see the file).
        target_sources(${target} PRIVATE ${KES_TOOLS}/test-temp-folder.cpp)
    endif()
    target_link_libraries(${target} PRIVATE ${T_LIBS} gmock kes_warnings)
    if(T_NO_MAIN)
        target_link_libraries(${target} PRIVATE gtest)
    else()
        target_link_libraries(${target} PRIVATE gtest_main)
    endif()
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
    if(KES_NATIVE)
        target_compile_options(${target} PRIVATE ${KES_SANITIZE_FLAGS})
        target_link_options(${target} PRIVATE ${KES_SANITIZE_FLAGS})
    endif()
    set(extra "")
    if(T_GUI)
        list(APPEND extra GUI)
    endif()
    if(T_WRAP)
        list(APPEND extra WRAP ${T_WRAP})
    endif()
    kes_add_test(${target} ${extra} FIXTURES ${T_FIXTURES})
endfunction()

# kes_add_fuzzer(<name> SOURCES <src>... LIBS <lib>... [RUNS n])
#   A libFuzzer target (native preset only). CTest runs it for a bounded number
#   of inputs from its seed folder fuzz/corpus/<name> (when present), so a crash
#   the fuzzer finds quickly fails the run; long runs are done by hand.
function(kes_add_fuzzer name)
    if(NOT KES_NATIVE)
        return()
    endif()
    cmake_parse_arguments(F "" "RUNS" "SOURCES;LIBS" ${ARGN})
    if(NOT F_RUNS)
        set(F_RUNS 20000)
    endif()
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS} kes_warnings)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    # libFuzzer writes what it finds into the first folder it is given: that is
    # a scratch folder in the build tree, never the checked-in seeds.
    set(corpus ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    set(scratch ${KES_TEST_WORK}/${name})
    set(args -runs=${F_RUNS} -max_total_time=60 -rss_limit_mb=2048)
    if(EXISTS ${corpus})
        add_test(NAME ${name} COMMAND ${KES_TOOLS}/native-run.sh ${scratch} $<TARGET_FILE:${name}> ${args} ${scratch}/corpus ${corpus})
    else()
        add_test(NAME ${name} COMMAND ${KES_TOOLS}/native-run.sh ${scratch} $<TARGET_FILE:${name}> ${args} ${scratch}/corpus)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# kes_add_benchmark(<name> SOURCES <src>... LIBS <lib>...)
#   A Google Benchmark program (native preset only). Benchmarks measure; they
#   are built with the tests but never run as tests.
function(kes_add_benchmark name)
    if(NOT KES_NATIVE)
        return()
    endif()
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    find_package(benchmark REQUIRED)
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark_main kes_warnings)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -O2)
endfunction()

# kes_add_peer(<fixture> PORT <port> [TAKE_TURNS] [STOP <command> [args...]] COMMAND <command> [args...])
#   A test peer as a CTest fixture: started before the first test that names
#   <fixture> in its FIXTURES and stopped after the last. It runs in the state
#   folder peers/<fixture> of the build tree (tests find it there through
#   KES_BINARY_DIR). PORT is the loopback port to wait for, or 0 to wait for the
#   file "ready" in the state folder. Each peer has a port of its own, so tests
#   of both build trees can run at once. STOP is the command that ends a
#   daemon which does not stop on SIGTERM to its process group (tools/peer.sh).
#   TAKE_TURNS: the tests read or set the peer's state (what it recorded, what
#   it answers next, how many messages it holds), so the test programs that
#   name <fixture> never run side by side (RESOURCE_LOCK peer.<fixture>; a
#   test added with add_test takes it by hand). Declare the peer before them.
function(kes_add_peer fixture)
    cmake_parse_arguments(P "TAKE_TURNS" "PORT" "COMMAND;STOP" ${ARGN})
    if(P_TAKE_TURNS)
        set_property(GLOBAL PROPERTY KES_PEER_TURNS_${fixture} ON)
    endif()
    set(state ${CMAKE_BINARY_DIR}/peers/${fixture})
    set(stop "")
    if(P_STOP)
        set(stop --stop ${P_STOP} --)
    endif()
    add_test(NAME peer.${fixture}.up COMMAND ${KES_TOOLS}/peer.sh up ${state} ${P_PORT} ${stop} ${P_COMMAND})
    add_test(NAME peer.${fixture}.down COMMAND ${KES_TOOLS}/peer.sh down ${state})
    set_tests_properties(peer.${fixture}.up PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 60)
    set_tests_properties(peer.${fixture}.down PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 60)
endfunction()
