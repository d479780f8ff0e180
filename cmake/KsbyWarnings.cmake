# Warnings for our own targets only (third-party headers come in as SYSTEM).
function(ksby_target_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(KSBY_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # g++ 12 reports false maybe-uninitialized warnings inside std::regex and std::function
        # when sanitizer instrumentation changes inlining; the other builds keep the warning.
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
    if(KSBY_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A static library of one src/ folder: every .cpp directly in the folder.
function(ksby_add_library name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    ksby_target_warnings(${name})
endfunction()
