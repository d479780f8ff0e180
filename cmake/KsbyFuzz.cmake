# Fuzz targets: tests/fuzz/fuzz_<name>.cpp, seeds in tests/fuzz/corpus/fuzz_<name>/.
# With KSBY_BUILD_FUZZ (clang) each is a libFuzzer executable; in every test build each also
# becomes fuzz_<name>_replay, which runs the seeds once as a test (tests/fuzz_replay).
include_guard(GLOBAL)

# The libraries fuzz target <name> links: the decoders it drives and, where it uses the shared
# fixtures, ksby_fuzz_support. Each links only these, so the fuzz tree builds no more than its
# targets need; a new target gets its row here.
function(ksby_fuzz_libraries name out)
    set(fuzz_airport_file ksby_airports)
    set(fuzz_bgl_airport ksby_airports ksby_fuzz_support)
    set(fuzz_catalogue_files ksby_catalogue)
    set(fuzz_feed_parked ksby_feed)
    set(fuzz_feed_records ksby_feed)
    set(fuzz_livery_cfg ksby_catalogue ksby_fuzz_support)
    set(fuzz_simconnect_messages ksby_simlink_client)
    set(fuzz_text_decoding ksby_core)
    set(fuzz_zip_entries ksby_updates)
    if(NOT DEFINED ${name})
        message(FATAL_ERROR "fuzz target ${name}: list the libraries it links in ksby_fuzz_libraries")
    endif()
    set(${out} ${${name}} PARENT_SCOPE)
endfunction()

# ksby_add_fuzz(<name> SOURCES ... LIBS ...): a libFuzzer target; corpus in tests/fuzz/corpus/<name>.
function(ksby_add_fuzz name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    ksby_target_warnings(${name})
    add_dependencies(ksby_fuzz_targets ${name})
endfunction()

# ksby_add_fuzz_replay(<name> SOURCES ... CORPUS <folder> LIBS ...): <name>_replay runs
# LLVMFuzzerTestOneInput once on every file of the corpus folder, as a test.
function(ksby_add_fuzz_replay name)
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name}_replay ${ARG_SOURCES})
    target_link_libraries(${name}_replay PRIVATE ${ARG_LIBS})
    ksby_target_warnings(${name}_replay)
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${ARG_CORPUS})
endfunction()

if(KSBY_BUILD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KSBY_BUILD_FUZZ needs clang")
    endif()
    if(NOT TARGET ksby_fuzz_targets)
        add_custom_target(ksby_fuzz_targets)
    endif()
    # Coverage instrumentation for everything the targets link.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
