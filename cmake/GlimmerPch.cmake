# Precompiled headers: Qt's headers are most of what each of our sources compiles, so each set
# below is compiled once and reused by every target of its kind (REUSE_FROM), rather than
# parsed again for every source, every test and every target's generated moc file.
#
# GCC only. A precompiled header is only reused under the same options, and clang refuses one
# whose -D definitions differ from the target's (every test defines its own paths); the clang
# presets build without.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set(_pch_default ON)
else()
    set(_pch_default OFF)
endif()
option(GLIMMERHALL_PCH "Build with precompiled headers (GCC)" ${_pch_default})

set(_pch_dir ${PROJECT_SOURCE_DIR}/cmake/pch)

# An owner per set, built as its users are: static libraries with position-independent code
# for the libraries, an executable (-fPIE) for the test programs.
function(_glimmer_pch_owner name kind header)
    set(source ${CMAKE_BINARY_DIR}/generated/${name}.cpp)
    if(kind STREQUAL "executable")
        file(CONFIGURE OUTPUT ${source} CONTENT "int main() { return 0; }\n")
        add_executable(${name} EXCLUDE_FROM_ALL ${source})
    else()
        file(CONFIGURE OUTPUT ${source} CONTENT "// Nothing of its own: it owns a header set.\n")
        add_library(${name} STATIC EXCLUDE_FROM_ALL ${source})
    endif()
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_precompile_headers(${name} PRIVATE ${_pch_dir}/${header})
endfunction()

if(GLIMMERHALL_PCH)
    _glimmer_pch_owner(glimmer_pch_core library core.h)
    target_link_libraries(glimmer_pch_core PRIVATE Qt6::Core)
    _glimmer_pch_owner(glimmer_pch_widgets library widgets.h)
    target_link_libraries(glimmer_pch_widgets PRIVATE Qt6::Widgets)
    _glimmer_pch_owner(glimmer_pch_tests executable tests.h)
    target_link_libraries(glimmer_pch_tests PRIVATE Qt6::Widgets Qt6::Network Qt6::Test)
    glimmer_test_code_options(glimmer_pch_tests)
    # Qt Test defines each test's own folders for QFINDTESTDATA, which none of ours uses; they
    # would make the set valid for one folder's tests only.
    get_target_property(_test_definitions Qt6::Test INTERFACE_COMPILE_DEFINITIONS)
    list(FILTER _test_definitions EXCLUDE REGEX "^QT_TESTCASE_")
    set_target_properties(Qt6::Test PROPERTIES INTERFACE_COMPILE_DEFINITIONS "${_test_definitions}")
endif()

# glimmer_use_pch(core|widgets|tests TARGET...): the targets compile with that set. A target
# must have the set's Qt modules among its own, so that Qt's macros are the same.
function(glimmer_use_pch set)
    if(NOT GLIMMERHALL_PCH)
        return()
    endif()
    foreach(target ${ARGN})
        target_precompile_headers(${target} REUSE_FROM glimmer_pch_${set})
    endforeach()
endfunction()
