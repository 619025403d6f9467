# Warnings are always on; they stop the build only where asked (CI), since a newer or
# older compiler than ours may warn where we did not.
option(VORLANE_WERROR "Treat compiler warnings in our own sources as errors" OFF)

# Common settings for every target built from our own sources.
function(vorlane_target_defaults target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    # GCC 12 at -O3 (Release) reports overlapping copies inside std::string's operator+
    # that cannot happen (a known fault of that compiler); the sanitizer build still checks.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-restrict>)
    endif()
    if(VORLANE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PUBLIC QT_NO_KEYWORDS)
    # Every program of a thread-sanitizer build carries its default options, so that a
    # test or the program run by hand reports the same as under ctest.
    get_target_property(type ${target} TYPE)
    if(VORLANE_TSAN AND type STREQUAL "EXECUTABLE")
        target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/ThreadSanitizerOptions.cpp)
        set_source_files_properties(${CMAKE_SOURCE_DIR}/cmake/ThreadSanitizerOptions.cpp
            TARGET_DIRECTORY ${target} PROPERTIES COMPILE_DEFINITIONS
            VORLANE_TSAN_SUPPRESSIONS="${CMAKE_SOURCE_DIR}/cmake/tsan.supp")
    endif()
endfunction()

# vorlane_library(<folder> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Builds src/<folder> as the static library vorlane_<folder>.
function(vorlane_library folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(vorlane_${folder} STATIC ${ARG_SOURCES})
    target_include_directories(vorlane_${folder} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(vorlane_${folder} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
    vorlane_target_defaults(vorlane_${folder})
endfunction()
