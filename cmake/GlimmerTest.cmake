# glimmer_add_qtest(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
# One Qt Test executable registered with CTest, run headless on the offscreen platform.
function(glimmer_add_qtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
        TIMEOUT 300)
endfunction()

# glimmer_private_session(TEST)
# The real program allows one copy per session: a test that starts it gets a session folder
# of its own, so that tests running side by side do not hand over to each other's program.
function(glimmer_private_session test)
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/session_${test})
    file(MAKE_DIRECTORY ${folder})
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT XDG_RUNTIME_DIR=${folder})
endfunction()
