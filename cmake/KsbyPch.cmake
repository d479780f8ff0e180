# Precompiled headers for the heavy headers most sources include. Two host targets build them
# once per tree, one for the program and tools and one (with GoogleTest and GoogleMock) for the
# tests; every other target reuses one. g++ only.
# Off by default: g++ 12 drops the standard library's own warning pragmas from a precompiled
# header, so an -O2 build then reports false -Warray-bounds errors inside std::string. The
# sanitizer trees (-O1, where those flow warnings do not run) turn it on.
option(KSBY_PCH "Share precompiled headers across targets (g++)" OFF)

set(KSBY_PCH_HEADERS
    <algorithm> <array> <atomic> <chrono> <cmath> <cstdint> <filesystem> <fstream> <functional>
    <map> <memory> <mutex> <optional> <regex> <stdexcept> <string> <string_view> <system_error>
    <thread> <unordered_map> <vector>
    <fmt/format.h> <nlohmann/json.hpp> <pugixml.hpp>)

function(ksby_collect_targets dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        ksby_collect_targets(${sub} sub_targets)
        list(APPEND targets ${sub_targets})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Whether a target gets GoogleTest's usage requirements, directly or through its libraries.
function(ksby_links_gtest target out)
    set(found FALSE)
    set(queue ${target})
    set(seen "")
    while(queue AND NOT found)
        list(POP_FRONT queue t)
        if(t IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${t})
        if(t MATCHES "^GTest::")
            set(found TRUE)
        elseif(TARGET ${t})
            get_target_property(imported ${t} IMPORTED)
            if(NOT imported)
                get_target_property(libs ${t} LINK_LIBRARIES)
                get_target_property(ilibs ${t} INTERFACE_LINK_LIBRARIES)
                foreach(l ${libs} ${ilibs})
                    if(l AND NOT l MATCHES "NOTFOUND$" AND NOT l MATCHES "^\\$<")
                        list(APPEND queue ${l})
                    endif()
                endforeach()
            endif()
        endif()
    endwhile()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# Test code compiles at KSBY_TEST_OPTIMIZATION (scripts/test: -O0, which halves the compile time
# of the GoogleTest-heavy sources; the program's own code keeps the tree's level). With shared
# precompiled headers every target that links GoogleTest gets it, the header host among them, so
# that the header and its users agree; without them the benchmarks and the test support they run
# on keep the tree's level, so that their figures stay those of optimised code.
set(KSBY_TEST_OPTIMIZATION "" CACHE STRING "Optimisation flag for targets that link GoogleTest")

# Called once, after every target exists.
function(ksby_apply_test_optimization)
    if(NOT KSBY_TEST_OPTIMIZATION)
        return()
    endif()
    ksby_collect_targets(${CMAKE_SOURCE_DIR} targets)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(NOT type STREQUAL "STATIC_LIBRARY" AND NOT type STREQUAL "EXECUTABLE")
            continue()
        endif()
        get_target_property(source_dir ${target} SOURCE_DIR)
        if(NOT KSBY_PCH AND source_dir MATCHES "^${CMAKE_SOURCE_DIR}/(bench|tests/support)(/|$)")
            continue()
        endif()
        ksby_links_gtest(${target} with_gtest)
        if(with_gtest OR target STREQUAL "ksby_pch_test")
            target_compile_options(${target} PRIVATE ${KSBY_TEST_OPTIMIZATION})
        endif()
    endforeach()
endfunction()

# Called once, after every target exists.
function(ksby_apply_pch)
    if(NOT KSBY_PCH OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        return()
    endif()
    # Both hosts carry fmt's and GoogleTest's usage requirements, so every reusing target must
    # carry the same ones (g++ refuses a header built with other macros).
    add_library(ksby_pch_src STATIC ${CMAKE_SOURCE_DIR}/cmake/pch_host.cpp)
    target_link_libraries(ksby_pch_src PRIVATE fmt::fmt)
    target_precompile_headers(ksby_pch_src PRIVATE ${KSBY_PCH_HEADERS})
    ksby_target_warnings(ksby_pch_src)
    set(hosts ksby_pch_src)
    if(TARGET GTest::gtest)
        add_library(ksby_pch_test STATIC ${CMAKE_SOURCE_DIR}/cmake/pch_host.cpp)
        target_link_libraries(ksby_pch_test PRIVATE fmt::fmt GTest::gtest GTest::gmock)
        target_precompile_headers(ksby_pch_test PRIVATE ${KSBY_PCH_HEADERS}
            <gtest/gtest.h> <gmock/gmock.h>)
        ksby_target_warnings(ksby_pch_test)
        list(APPEND hosts ksby_pch_test)
    endif()

    ksby_collect_targets(${CMAKE_SOURCE_DIR} targets)
    foreach(target ${targets})
        if(target IN_LIST hosts)
            continue()
        endif()
        get_target_property(type ${target} TYPE)
        if(NOT type STREQUAL "STATIC_LIBRARY" AND NOT type STREQUAL "EXECUTABLE")
            continue()
        endif()
        get_target_property(skip ${target} KSBY_NO_PCH)
        if(skip)
            continue()
        endif()
        # The tests link GoogleTest; everything else takes the program's header set.
        ksby_links_gtest(${target} with_gtest)
        set(host ksby_pch_src)
        if(TARGET ksby_pch_test AND with_gtest)
            set(host ksby_pch_test)
        endif()
        target_link_libraries(${target} PRIVATE fmt::fmt)
        target_precompile_headers(${target} REUSE_FROM ${host})
    endforeach()
endfunction()
