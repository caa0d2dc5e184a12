# Build rules shared by every folder.

# The build types the project is checked in, each with warnings as errors: Debug
# (also under the sanitizers), Release (`make run` and CI build it; the benchmarks'
# numbers come from it) and RelWithDebInfo. An empty type builds plainly.
set(QRV4_BUILD_TYPES Debug Release RelWithDebInfo)
set_property(CACHE CMAKE_BUILD_TYPE PROPERTY STRINGS ${QRV4_BUILD_TYPES})
if(CMAKE_BUILD_TYPE AND NOT CMAKE_BUILD_TYPE IN_LIST QRV4_BUILD_TYPES)
    message(FATAL_ERROR "CMAKE_BUILD_TYPE must be one of: ${QRV4_BUILD_TYPES}")
endif()

# A compiler cache when the set-up installed one. Paths are hashed relative to the checkout, so
# every clone and every configuration of it share the user's cache.
find_program(QRV4_CCACHE ccache)
if(QRV4_CCACHE)
    set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1
                 CCACHE_MAXSIZE=25G ${QRV4_CCACHE})
    set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()

add_compile_options(-Wall -Wextra -Werror -Wno-missing-field-initializers)
include(CheckLinkerFlag)
if(NOT QRV4_SANITIZE STREQUAL "")
    # The sanitizers' reports need line tables only; full debug information made these builds
    # compile about a third slower, and their objects two to three times larger.
    add_compile_options(-g1)
    # The sanitizer builds link some 250 programs: lld links one in about a quarter of the time.
    check_linker_flag(CXX "-fuse-ld=lld" QRV4_LLD)
    if(QRV4_LLD)
        add_link_options(-fuse-ld=lld)
    endif()
else()
    # Relative relocations packed: the loader reads some 30 kB at start instead of half a
    # megabyte of them, which takes it about a sixth less time (bench/startup).
    check_linker_flag(CXX "LINKER:-z,pack-relative-relocs" QRV4_PACKED_RELOCATIONS)
    if(QRV4_PACKED_RELOCATIONS)
        add_link_options(LINKER:-z,pack-relative-relocs)
    endif()
endif()
# Debug information is a large share of a debug build's size on disk; compressed, the
# test programs take a third less space.
add_link_options($<$<CONFIG:Debug,RelWithDebInfo>:LINKER:--compress-debug-sections=zlib>)

if(QRV4_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -O1)
    add_link_options(-fsanitize=address,undefined)
elseif(QRV4_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -O1)
    add_link_options(-fsanitize=thread)
elseif(NOT QRV4_SANITIZE STREQUAL "")
    message(FATAL_ERROR "QRV4_SANITIZE must be address, thread or empty")
endif()

# The fuzz configuration: every library carries libFuzzer's coverage hooks, so the fuzzer
# steers by the code under its targets, and runs under the address sanitizer.
if(QRV4_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT QRV4_SANITIZE STREQUAL "address")
        message(FATAL_ERROR "QRV4_FUZZ needs clang and QRV4_SANITIZE=address")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# One static library per folder, made of every .cpp in it.
function(qrv4_library name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# One test executable; every test in it becomes a CTest test. The label "thread"
# puts it into the thread-sanitizer run; "main" means it brings its own main(). TIMEOUT is
# each test's limit in seconds; five minutes unless given.
function(qrv4_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPENDS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock)
    if(NOT "main" IN_LIST ARG_LABELS)
        target_link_libraries(${name} PRIVATE qrv4_test_main)
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_LIST ${name}_TESTS)
    # Discovery flattens a list given as PROPERTIES (the second label became a property
    # name), so the labels are set by a script CTest reads after the discovered tests.
    set(labels unit ${ARG_LABELS})
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    set(properties "LABELS \"${labels}\"")
    # A test that would hang fails at its time limit instead of holding the run for CTest's
    # 1500 s. The slowest takes under half a minute with the sanitizers on a busy machine;
    # five minutes leaves room for a loaded 2-core one.
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    string(APPEND properties " TIMEOUT ${ARG_TIMEOUT}")
    file(WRITE ${script} "set_tests_properties(\${${name}_TESTS} PROPERTIES ${properties})\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
    if("thread" IN_LIST ARG_LABELS)
        add_dependencies(qrv4_thread_tests ${name})
    endif()
endfunction()

# One benchmark program in bench/.
function(qrv4_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} qrv4_bench_support benchmark::benchmark_main)
endfunction()

# Compiles files into a target as resources for TResourceStream. The target
# gets a function FUNCTION() that registers them; the program calls it once at
# start-up (a registration in a static library would be dropped by the linker).
#   qrv4_resources(target FUNCTION RegisterHelpResources
#                  RESOURCES 10 HELPINDEX help/index.mht  10 "#101" pictures/logo.png)
# Each resource is a type number, a name (or a quoted "#number") and a file.
function(qrv4_resources target)
    cmake_parse_arguments(ARG "" "FUNCTION" "RESOURCES" ${ARGN})
    set(entries "")
    set(files "")
    list(LENGTH ARG_RESOURCES count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 3)
        math(EXPR n "${i} + 1")
        math(EXPR f "${i} + 2")
        list(GET ARG_RESOURCES ${i} type)
        list(GET ARG_RESOURCES ${n} name)
        list(GET ARG_RESOURCES ${f} file)
        get_filename_component(file "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        list(APPEND entries "${type}|${name}|${file}")
        list(APPEND files "${file}")
    endforeach()
    set(output "${CMAKE_CURRENT_BINARY_DIR}/${ARG_FUNCTION}.cpp")
    # The list goes through a file: a command line would split it at ";". It is written only
    # when it changes, or every configuration would embed and link everything again.
    string(REPLACE ";" "\n" lines "${entries}\n")
    set(written "")
    if(EXISTS "${output}.list")
        file(READ "${output}.list" written)
    endif()
    if(NOT written STREQUAL lines)
        file(WRITE "${output}.list" "${lines}")
    endif()
    add_custom_command(OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DFUNCTION=${ARG_FUNCTION}
                -DENTRIES_FILE=${output}.list -P ${PROJECT_SOURCE_DIR}/cmake/Qrv4Embed.cmake
        DEPENDS ${files} ${output}.list ${PROJECT_SOURCE_DIR}/cmake/Qrv4Embed.cmake
        COMMENT "Embedding resources for ${ARG_FUNCTION}"
        VERBATIM)
    target_sources(${target} PRIVATE "${output}")
endfunction()
