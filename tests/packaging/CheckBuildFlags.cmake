# SPDX-License-Identifier: MIT
# Configures the project in fresh build trees under OUTPUT_DIR and checks the
# flags its compile and link lines get from dpkg-buildflags (hardening=+all):
#  - build type None, as debhelper configures it (dpkg-buildflags' flags in
#    CXXFLAGS, CPPFLAGS added to them, and LDFLAGS), and None alone: every
#    flag once, beside the project's own warnings; the library builds;
#  - Debug: the hardening without dpkg-buildflags' -O2, and without
#    _FORTIFY_SOURCE, which needs optimisation;
#  - a dpkg-buildflags that cannot run: the build goes on without the flags,
#    and says so.
#   cmake -DSOURCE_DIR=... -DOUTPUT_DIR=... -DCXX=... -DGENERATOR=... -DMAKE=...
#         -DDPKG_BUILDFLAGS=... -P CheckBuildFlags.cmake
cmake_policy(VERSION 3.20)

function(run var)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                    ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${command} failed (${result}):\n${output}")
    endif()
    set(${var} "${output}" PARENT_SCOPE)
endfunction()

# The flags as Debian's tools give them, from the source directory.
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result
                    OUTPUT_VARIABLE ${kind} OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed: ${result}")
    endif()
endforeach()
separate_arguments(compile_flags UNIX_COMMAND "${CPPFLAGS} ${CXXFLAGS}")
separate_arguments(link_flags UNIX_COMMAND "${LDFLAGS}")
message("dpkg-buildflags: ${CPPFLAGS} ${CXXFLAGS}; ${LDFLAGS}")
list(FILTER compile_flags EXCLUDE REGEX "^-O|^-g")
list(FILTER compile_flags EXCLUDE REGEX "^-D_FORTIFY_SOURCE")
set(fortify_flags "${CPPFLAGS}")
separate_arguments(fortify_flags UNIX_COMMAND "${fortify_flags}")
list(FILTER fortify_flags INCLUDE REGEX "^-D_FORTIFY_SOURCE")
if(NOT fortify_flags OR NOT compile_flags OR NOT link_flags)
    message(FATAL_ERROR "dpkg-buildflags gives no hardening: ${CPPFLAGS} ${CXXFLAGS} ${LDFLAGS}")
endif()

set(failures)
# Configures the tree NAME with the OPTIONS given, in an environment without
# build flags but the ENV given; the words of the heap library's compile line
# go to NAME_compile, those of heap-view's link line to NAME_link, cmake's
# output to NAME_output.
function(configure name)
    cmake_parse_arguments(arg "" "" "ENV;OPTIONS" ${ARGN})
    set(tree ${OUTPUT_DIR}/${name})
    file(REMOVE_RECURSE ${tree})
    run(output ${CMAKE_COMMAND} -E env --unset=CPPFLAGS --unset=CXXFLAGS --unset=LDFLAGS
               --unset=DEB_BUILD_MAINT_OPTIONS ${arg_ENV}
        ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${tree} -G ${GENERATOR}
        -DCMAKE_MAKE_PROGRAM=${MAKE} -DCMAKE_CXX_COMPILER=${CXX} -DBUILD_TESTING=OFF
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON ${arg_OPTIONS})
    file(READ ${tree}/compile_commands.json commands)
    string(JSON count LENGTH "${commands}")
    math(EXPR last "${count} - 1")
    set(compile)
    foreach(index RANGE ${last})
        string(JSON file GET "${commands}" ${index} file)
        if(file MATCHES "/heap/BinaryHeap\\.cpp$")
            string(JSON compile GET "${commands}" ${index} command)
        endif()
    endforeach()
    set(link)
    if(EXISTS ${tree}/viewer/CMakeFiles/heap-view.dir/link.txt)
        file(READ ${tree}/viewer/CMakeFiles/heap-view.dir/link.txt link)
    endif()
    separate_arguments(compile UNIX_COMMAND "${compile}")
    separate_arguments(link UNIX_COMMAND "${link}")
    message("${name}: ${compile}\n  link: ${link}")
    set(${name}_compile ${compile} PARENT_SCOPE)
    set(${name}_link ${link} PARENT_SCOPE)
    set(${name}_output "${output}" PARENT_SCOPE)
endfunction()

# Each of FLAGS is in WORDS exactly COUNT times.
function(expect name words count)
    foreach(flag IN LISTS ARGN)
        set(found 0)
        foreach(word IN LISTS ${words})
            if(word STREQUAL flag)
                math(EXPR found "${found} + 1")
            endif()
        endforeach()
        if(NOT found EQUAL count)
            list(APPEND failures "${name}: ${flag} ${found} times, expected ${count}")
        endif()
    endforeach()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

set(own_flags -Wall -Wextra -Wpedantic -Werror)
configure(debhelper ENV "CXXFLAGS=${CXXFLAGS} ${CPPFLAGS}" "LDFLAGS=${LDFLAGS}"
          OPTIONS -DCMAKE_BUILD_TYPE=None)
configure(none OPTIONS -DCMAKE_BUILD_TYPE=None)
foreach(name debhelper none)
    expect(${name} ${name}_compile 1 ${own_flags} ${compile_flags} ${fortify_flags} -O2 -g)
    expect(${name} ${name}_link 1 ${link_flags})
endforeach()
run(output ${CMAKE_COMMAND} --build ${OUTPUT_DIR}/debhelper --target binaryheap)

configure(debug OPTIONS -DCMAKE_BUILD_TYPE=Debug)
expect(debug debug_compile 1 ${own_flags} ${compile_flags})
expect(debug debug_compile 0 ${fortify_flags} -O2)
expect(debug debug_link 1 ${link_flags})

configure(without OPTIONS -DCMAKE_BUILD_TYPE=None
          -DDPKG_BUILDFLAGS=${OUTPUT_DIR}/no-dpkg-buildflags)
expect(without without_compile 1 ${own_flags})
expect(without without_compile 0 ${compile_flags} ${fortify_flags})
expect(without without_link 0 ${link_flags})
string(REGEX MATCHALL "[^\n]*building without Debian's hardening flags" said "${without_output}")
list(LENGTH said said)
if(NOT said EQUAL 1)
    list(APPEND failures "without dpkg-buildflags, configuring said so ${said} times:\n${without_output}")
endif()

if(failures)
    string(REPLACE ";" "\n  " failures "${failures}")
    message(FATAL_ERROR "build flags check failed:\n  ${failures}")
endif()
message("None (plain and as debhelper), Debug and no dpkg-buildflags get the flags they should")
