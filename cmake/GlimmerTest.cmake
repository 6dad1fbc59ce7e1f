# glimmer_add_qtest(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABEL level])
# One Qt Test executable registered with CTest, run headless on the offscreen platform.
# LABEL names the level it runs at, so that `ctest -L` picks the fast ones:
#   unit     rules and models, no window shown
#   window   widgets on the offscreen platform, in the test's own process
#   process  starts other programs (the launcher, helpers, the real program)
#   browser  starts a browser engine (the page reader or Chromium)
#   package  installs the build or makes the Debian package
set(GLIMMER_TEST_LABELS unit window process browser package)

# glimmer_test_code_options(TARGET): the test code itself needs line numbers in its backtraces
# and nothing more, and no -O2: in the developers' build it is compiled at -O1 -g1, which
# takes about a third less time. What it tests is built as the program is.
function(glimmer_test_code_options target)
    target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O1 -g1>)
endfunction()

function(glimmer_add_qtest name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_LABEL)
        set(ARG_LABEL unit)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    # Every test program has the same Qt modules, so that all share one precompiled set.
    target_link_libraries(${name} PRIVATE Qt6::Test Qt6::Widgets Qt6::Network ${ARG_LIBS})
    glimmer_use_pch(tests ${name})
    glimmer_test_code_options(${name})
    # Its generated moc file is empty (a test includes its own moc): loading the precompiled
    # set would be all the work there is.
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/mocs_compilation.cpp
                                TARGET_DIRECTORY ${name} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    # QTRY_* that look at their condition every 2 ms instead of every 50 ms; the precompiled
    # set includes them, and must itself come first.
    if(NOT GLIMMERHALL_PCH)
        target_compile_options(${name} PRIVATE
                               -include ${PROJECT_SOURCE_DIR}/tests/support/prompt_try.h)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    # A settings folder of its own: what a test's program keeps (the control token, where its
    # windows were) must never land in the settings of whoever runs the tests.
    set(config ${CMAKE_CURRENT_BINARY_DIR}/config_${name})
    file(MAKE_DIRECTORY ${config})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false;XDG_CONFIG_HOME=${config}"
        TIMEOUT 300)
    glimmer_label_test(${name} ${ARG_LABEL})
endfunction()

# glimmer_label_test(NAME level): the level of a test registered with add_test directly.
function(glimmer_label_test name label)
    if(NOT label IN_LIST GLIMMER_TEST_LABELS)
        message(FATAL_ERROR "test ${name}: label '${label}' is not one of ${GLIMMER_TEST_LABELS}")
    endif()
    # With no timings of an earlier run (a fresh checkout, as in CI), CTest starts the tests in
    # order of their cost: the slow levels first, so that the fast ones fill the other core
    # instead of the slowest test starting last.
    set(_cost_unit 1)
    set(_cost_window 2)
    set(_cost_process 4)
    set(_cost_browser 20)
    set(_cost_package 4)
    set_tests_properties(${name} PROPERTIES LABELS ${label} COST ${_cost_${label}})
endfunction()

# glimmer_private_session(TEST)
# The real program allows one copy per session: a test that starts it gets a session folder
# of its own, so that tests running side by side do not hand over to each other's program.
function(glimmer_private_session test)
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/session_${test})
    file(MAKE_DIRECTORY ${folder})
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT XDG_RUNTIME_DIR=${folder})
endfunction()
