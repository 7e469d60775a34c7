# SPDX-License-Identifier: MIT
# Hardening as Debian builds its packages: the flags dpkg-buildflags gives with
# DEB_BUILD_MAINT_OPTIONS=hardening=+all (fortified libc calls, stack
# protector, format checks, read-only relocations bound at start-up; position
# independent executables are the compiler's default on Debian, so
# dpkg-buildflags adds nothing for them). They are added to every native
# target beside the project's own flags (the build type's, the warnings),
# which stay as they are: a plain cmake -S . -B build and cpack then make
# hardened packages, and so does a debhelper build (CMAKE_BUILD_TYPE=None with
# the same flags in the environment, which are then not repeated). The
# browser build takes none of them.
#
# Flags for optimisation and debug information (-O2 -g) are taken only for
# the build type None, which has none of its own; every other build type
# keeps its own. _FORTIFY_SOURCE is left out where it cannot work or would
# get in the way: in configurations without optimisation (glibc warns, and
# -Werror makes that an error), and with the sanitizers, whose checks of the
# same calls it would replace. Flags the compiler or linker does not know are
# left out too, and the configure message says what was taken.
#
# Sets HEAP_DISTRO_COMPILE_FLAGS and HEAP_DISTRO_LINK_FLAGS: what was added,
# as a list with a generator expression for the flags that depend on the
# configuration (empty when nothing was added).
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

option(HEAP_DISTRO_FLAGS
       "Add Debian's hardening flags (dpkg-buildflags, hardening=+all) to native builds" ON)

function(heap_add_distro_flags)
    set(HEAP_DISTRO_COMPILE_FLAGS "" PARENT_SCOPE)
    set(HEAP_DISTRO_LINK_FLAGS "" PARENT_SCOPE)
    if(EMSCRIPTEN OR NOT HEAP_DISTRO_FLAGS)
        return()
    endif()
    find_program(DPKG_BUILDFLAGS dpkg-buildflags)
    set(without "building without Debian's hardening flags")
    if(NOT DPKG_BUILDFLAGS)
        message(STATUS "dpkg-buildflags not found (package dpkg-dev): ${without}")
        return()
    endif()

    # The source directory is the one -ffile-prefix-map maps to ".". A
    # maintainer's own DEB_BUILD_MAINT_OPTIONS come after ours and win.
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env
                                "DEB_BUILD_MAINT_OPTIONS=hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}"
                                ${DPKG_BUILDFLAGS} --get ${kind}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
        if(NOT result EQUAL 0)
            message(STATUS "${DPKG_BUILDFLAGS} --get ${kind} failed (${result}) ${error}: ${without}")
            return()
        endif()
        separate_arguments(${kind} UNIX_COMMAND "${output}")
    endforeach()

    set(configs ${CMAKE_CONFIGURATION_TYPES})
    if(NOT configs)
        set(configs ${CMAKE_BUILD_TYPE})
    endif()
    separate_arguments(given UNIX_COMMAND "${CMAKE_CXX_FLAGS}")
    separate_arguments(given_link UNIX_COMMAND "${CMAKE_EXE_LINKER_FLAGS}")

    set(compile)
    set(optimisation)
    set(fortify)
    set(left_out)
    set(already)
    foreach(flag IN LISTS CPPFLAGS CXXFLAGS)
        string(MAKE_C_IDENTIFIER "HEAP_CXX_HAS${flag}" known)
        if(flag IN_LIST given)
            list(APPEND already ${flag})
        elseif(flag IN_LIST compile OR flag IN_LIST optimisation)
            continue()
        elseif(flag MATCHES "^-O|^-g")
            list(APPEND optimisation ${flag})
        elseif(flag MATCHES "^-D_FORTIFY_SOURCE")
            list(APPEND fortify ${flag})
        elseif(flag MATCHES "^-[DU]")
            list(APPEND compile ${flag})
        else()
            # Checked after the ones taken: -Wformat-security needs -Wformat.
            list(JOIN compile " " CMAKE_REQUIRED_FLAGS)
            check_cxx_compiler_flag(${flag} ${known})
            if(${known})
                list(APPEND compile ${flag})
            else()
                list(APPEND left_out ${flag})
            endif()
        endif()
    endforeach()

    # Configurations that optimise: the last -O of their flags is not -O0.
    set(optimising)
    foreach(config IN LISTS configs)
        string(TOUPPER "${config}" CONFIG)
        set(config_flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${CONFIG}}")
        if(config STREQUAL "None")
            list(JOIN optimisation " " flags)
            string(APPEND config_flags " ${flags}")
        endif()
        string(REGEX MATCHALL "(^| )-O[^ ;]*" levels "${config_flags}")
        list(POP_BACK levels level)
        if(level AND NOT level MATCHES "-O0$")
            list(APPEND optimising ${config})
        endif()
    endforeach()
    if(fortify AND HEAP_SANITIZE)
        list(APPEND left_out "${fortify} (sanitizers)")
        set(fortify)
    elseif(fortify AND NOT optimising)
        list(APPEND left_out "${fortify} (no optimisation)")
        set(fortify)
    endif()

    set(CMAKE_REQUIRED_FLAGS)
    set(link)
    foreach(flag IN LISTS LDFLAGS)
        string(MAKE_C_IDENTIFIER "HEAP_LINKER_HAS${flag}" known)
        if(flag IN_LIST given_link)
            list(APPEND already ${flag})
            continue()
        elseif(flag IN_LIST link)
            continue()
        endif()
        set(CMAKE_REQUIRED_LINK_OPTIONS ${link})
        check_linker_flag(CXX ${flag} ${known})
        if(${known})
            list(APPEND link ${flag})
        else()
            list(APPEND left_out ${flag})
        endif()
    endforeach()

    # The generator expressions pick the flags per configuration.
    list(JOIN optimising "," optimising_list)
    set(added ${compile})
    foreach(flag IN LISTS optimisation)
        list(APPEND added "$<$<CONFIG:None>:${flag}>")
    endforeach()
    foreach(flag IN LISTS fortify)
        list(APPEND added "$<$<CONFIG:${optimising_list}>:${flag}>")
    endforeach()
    add_compile_options(${added})
    add_link_options(${link})

    set(summary ${compile} ${link})
    list(JOIN summary " " summary)
    if(optimisation)
        list(JOIN optimisation " " flags)
        string(APPEND summary "; with build type None: ${flags}")
    endif()
    if(fortify)
        list(JOIN optimising " " configs)
        string(APPEND summary "; in ${configs}: ${fortify}")
    endif()
    if(left_out)
        list(JOIN left_out ", " flags)
        string(APPEND summary "; left out: ${flags}")
    endif()
    if(already)
        list(JOIN already " " flags)
        string(APPEND summary "; already in CMAKE_CXX_FLAGS or CMAKE_EXE_LINKER_FLAGS: ${flags}")
    endif()
    string(REGEX REPLACE "^; " "" summary "${summary}")
    message(STATUS "Debian's hardening flags (dpkg-buildflags): ${summary}")
    set(HEAP_DISTRO_COMPILE_FLAGS ${added} PARENT_SCOPE)
    set(HEAP_DISTRO_LINK_FLAGS ${link} PARENT_SCOPE)
endfunction()
heap_add_distro_flags()
