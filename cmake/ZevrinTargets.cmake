# Helpers that give every Zevrin target the same language level, warnings and
# include root.

set(ZEVRIN_SOURCE_ROOT "${CMAKE_SOURCE_DIR}/src")

function(zevrin_defaults target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    # Errors only where asked for: a user's or a distribution's build with another
    # compiler must not fail on a warning that compiler adds.
    if(ZEVRIN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    # No fused multiply-adds, also where a build asks for a processor that has them: the
    # vector versions of the hot loops and their scalar forms give the same bits
    # (src/dsp/vector_isa.h), so every figure is the same on every machine.
    target_compile_options(${target} PRIVATE -ffp-contract=off)
    if(ZEVRIN_SANITIZE)
        # -O1 with line tables only: the checks and their stack traces need no more, and
        # the instrumented code builds in half the time of -O2 with full debug records.
        target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer
                                                -fno-sanitize-recover=undefined -O1 -g1)
        target_link_options(${target} PUBLIC -fsanitize=address,undefined)
    endif()
endfunction()

# zevrin_library(<folder> SOURCES ... [DEPENDS ...] [QT]): the static library
# zevrin_<folder>; QT runs moc over its headers.
function(zevrin_library folder)
    cmake_parse_arguments(ARG "QT" "" "SOURCES;DEPENDS" ${ARGN})
    set(target zevrin_${folder})
    add_library(${target} STATIC ${ARG_SOURCES})
    set_target_properties(${target} PROPERTIES AUTOMOC ${ARG_QT})
    target_include_directories(${target} PUBLIC "${ZEVRIN_SOURCE_ROOT}" "${CMAKE_BINARY_DIR}/generated")
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
    zevrin_defaults(${target})
endfunction()

# zevrin_test(<name> SOURCES ... [DEPENDS ...] [LABELS ...] [SERIAL] [QT] [TIMEOUT s]):
# a GoogleTest program whose cases ctest runs one by one.
function(zevrin_test name)
    cmake_parse_arguments(ARG "SERIAL;QT" "TIMEOUT" "SOURCES;DEPENDS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_QT})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests")
    zevrin_defaults(${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(props TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(ARG_LABELS)
        list(APPEND props LABELS "${ARG_LABELS}")
    endif()
    if(ARG_SERIAL)
        list(APPEND props RUN_SERIAL TRUE)
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
