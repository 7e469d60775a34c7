# SPDX-License-Identifier: MIT
# Builds the Debian packages of the build tree BUILD_DIR with cpack into a fresh
# OUTPUT_DIR and checks them as a user meets them:
#  - each package holds exactly its files; heap-view's dependencies come from
#    its binary; the changelog's version is the packages' version; each
#    carries the copyright file, whose Expat text is the LICENSE's;
#  - lintian, pedantic and with experimental tags, reports no error, warning
#    or hardening tag;
#  - heap-view has the hardening of the flags it was built with
#    (HARDENING_FLAGS: compiler and linker flags, as dpkg-buildflags gave
#    them): bound at start-up (BIND_NOW) for -z,now, read-only relocations
#    (GNU_RELRO) for -z,relro, fortified libc calls (some __*_chk) for
#    _FORTIFY_SOURCE, the stack protector's __stack_chk_fail for
#    -fstack-protector*, and it is position independent;
#  - the manual page renders without warnings and quotes the program's messages;
#  - a consumer builds and runs against the -dev package unpacked under a
#    temporary root, through find_package and through pkg-config, with
#    nothing installed on the system.
#   cmake -DCPACK=... -DCTEST=... -DBUILD_DIR=... -DOUTPUT_DIR=... -DSOURCE_DIR=...
#         -DLIBDIR=... -DVERSION=... [-DCONFIG=...] [-DHAS_VIEWER=ON|OFF]
#         -DCONSUMER_GENERATOR=... -DCONSUMER_MAKE=... -DCONSUMER_CXX=...
#         [-DCONSUMER_CXX_FLAGS=...] [-DCONSUMER_LINK_FLAGS=...]
#         [-DHARDENING_FLAGS=...]
#         -P CheckDebianPackage.cmake
# Without heap-view (HAS_VIEWER=OFF) only libbinaryheap-dev is expected.

cmake_policy(VERSION 3.20)

# Runs a command and stops with everything it wrote when it fails; its
# standard output goes to <var>, its standard error to <var>_ERR.
function(run var)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                    ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${command} failed (${result}):\n${output}${error}")
    endif()
    set(${var} "${output}" PARENT_SCOPE)
    set(${var}_ERR "${error}" PARENT_SCOPE)
endfunction()

foreach(tool dpkg-deb lintian groff man pkg-config readelf)
    string(MAKE_C_IDENTIFIER ${tool} var)
    find_program(${var} ${tool})
    if(NOT ${var})
        message(FATAL_ERROR "${tool} is needed to check the packages (scripts/install-deps.sh)")
    endif()
endforeach()

string(STRIP "${HARDENING_FLAGS}" HARDENING_FLAGS)
file(REMOVE_RECURSE ${OUTPUT_DIR})
set(config_args)
if(CONFIG)
    set(config_args -C ${CONFIG})
endif()
run(output ${CPACK} -G DEB -B ${OUTPUT_DIR} ${config_args} --config ${BUILD_DIR}/CPackConfig.cmake)

set(failures)
set(cmake_dir usr/${LIBDIR}/cmake/BinaryHeap)
set(expected_packages libbinaryheap-dev)
set(libbinaryheap-dev_files
    usr/include/heap/BinaryHeap\\.h usr/include/heap/TypedKey\\.h
    usr/${LIBDIR}/libbinaryheap\\.a
    ${cmake_dir}/BinaryHeapConfig\\.cmake ${cmake_dir}/BinaryHeapConfigVersion\\.cmake
    ${cmake_dir}/BinaryHeapTargets\\.cmake ${cmake_dir}/BinaryHeapTargets-[a-z]+\\.cmake
    usr/${LIBDIR}/pkgconfig/binaryheap\\.pc)
set(libbinaryheap-dev_depends "")
if(HAS_VIEWER)
    list(APPEND expected_packages heap-view)
    set(heap-view_files usr/bin/heap-view usr/share/man/man1/heap-view\\.1\\.gz)
    set(heap-view_depends "(freeglut|libglut)" "libstdc\\+\\+")
endif()

# Every file of a package matches one expected pattern, and every pattern one
# file: nothing missing, nothing from the other package.
set(debs)
foreach(package IN LISTS expected_packages)
    file(GLOB deb ${OUTPUT_DIR}/${package}_${VERSION}_*.deb)
    if(NOT deb)
        list(APPEND failures "no ${package}_${VERSION}_*.deb")
        continue()
    endif()
    list(APPEND debs ${deb})
    run(contents ${dpkg_deb} -c ${deb})
    run(depends ${dpkg_deb} -f ${deb} Depends)
    string(STRIP "${depends}" depends)
    message("${package}: Depends: ${depends}\n${contents}")

    string(REGEX MATCHALL " \\./[^\n]*[^/\n]\n" files "${contents}")
    set(patterns ${${package}_files} usr/share/doc/${package}/copyright
                 usr/share/doc/${package}/changelog\\.gz)
    foreach(pattern IN LISTS patterns)
        if(NOT files MATCHES " \\./${pattern}\n")
            list(APPEND failures "${package}: no file matching ${pattern}")
        endif()
    endforeach()
    foreach(file IN LISTS files)
        set(known OFF)
        foreach(pattern IN LISTS patterns)
            if(file MATCHES "^ \\./${pattern}\n$")
                set(known ON)
            endif()
        endforeach()
        if(NOT known)
            string(STRIP "${file}" file)
            list(APPEND failures "${package}: unexpected file ${file}")
        endif()
    endforeach()
    foreach(dependency IN LISTS ${package}_depends)
        if(NOT depends MATCHES "${dependency}")
            list(APPEND failures "${package}: Depends lacks ${dependency}")
        endif()
    endforeach()
endforeach()
file(GLOB all_debs ${OUTPUT_DIR}/*.deb)
list(LENGTH all_debs count)
list(LENGTH expected_packages expected_count)
if(NOT count EQUAL expected_count)
    list(APPEND failures "expected ${expected_packages}, cpack made: ${all_debs}")
endif()

file(STRINGS ${SOURCE_DIR}/cmake/debian/changelog top LIMIT_COUNT 1)
if(NOT top MATCHES "^heap-view \\(${VERSION}\\) ")
    list(APPEND failures "cmake/debian/changelog has no entry for ${VERSION} on top: ${top}")
endif()

execute_process(COMMAND ${lintian} --pedantic -I -E --fail-on error,warning ${debs}
                RESULT_VARIABLE result OUTPUT_VARIABLE lintian_output ERROR_VARIABLE lintian_output)
message("lintian --pedantic -I -E:\n${lintian_output}")
if(NOT result EQUAL 0 OR lintian_output MATCHES "(^|\n)[EW]: ")
    list(APPEND failures "lintian reports errors or warnings (exit status ${result})")
endif()
# Hardening tags are faults unless the build was not hardened (no flags from
# dpkg-buildflags), or, for unfortified calls, left out _FORTIFY_SOURCE.
string(REGEX MATCHALL "[^\n]*hardening-[^\n]*" hardening_tags "${lintian_output}")
if(NOT HARDENING_FLAGS MATCHES "-D_FORTIFY_SOURCE=[1-9]")
    list(FILTER hardening_tags EXCLUDE REGEX "hardening-no-fortify-functions")
endif()
if(hardening_tags AND HARDENING_FLAGS STREQUAL "")
    message("built without Debian's hardening flags: lintian's hardening tags are expected")
elseif(hardening_tags)
    list(JOIN hardening_tags "\n    " hardening_tags)
    list(APPEND failures "lintian finds heap-view not hardened:\n    ${hardening_tags}")
endif()

if(failures)
    string(REPLACE ";" "\n  " failures "${failures}")
    message(FATAL_ERROR "package check failed:\n  ${failures}")
endif()

# Unpacked under a fresh root: the files as a user gets them, installed nowhere.
set(root ${OUTPUT_DIR}/root)
foreach(deb IN LISTS debs)
    run(output ${dpkg_deb} -x ${deb} ${root})
endforeach()

# Each package carries the copyright file as written, and its Expat text is
# the LICENSE's, line for line.
file(READ ${SOURCE_DIR}/cmake/debian/copyright copyright)
foreach(package IN LISTS expected_packages)
    file(READ ${root}/usr/share/doc/${package}/copyright packaged)
    if(NOT packaged STREQUAL copyright)
        message(FATAL_ERROR "${package}: its copyright file is not cmake/debian/copyright")
    endif()
endforeach()
file(READ ${SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" at)
string(SUBSTRING "${licence}" ${at} -1 licence)
string(REGEX MATCH "\nLicense: Expat\n( [^\n]*\n)+" expat "${copyright}")
string(REPLACE "\nLicense: Expat\n" "" expat "${expat}")
string(REPLACE "\n .\n" "\n\n" expat "${expat}")
string(REGEX REPLACE "(^|\n) " "\\1" expat "${expat}")
if(at EQUAL -1 OR NOT expat STREQUAL licence)
    message(FATAL_ERROR "The copyright file's Expat text is not LICENSE's:\n${expat}")
endif()

if(HAS_VIEWER)
    # The dynamic section, program headers and imported symbols of the
    # packaged (stripped) program.
    set(program ${root}/usr/bin/heap-view)
    run(dynamic ${readelf} -d -W ${program})
    run(headers ${readelf} -l -W ${program})
    run(symbols ${readelf} --dyn-syms -W ${program})
    string(REGEX MATCHALL "UND [^ \n]+" imports "${symbols}")
    separate_arguments(hardening UNIX_COMMAND "${HARDENING_FLAGS}")
    set(expected)
    if("-Wl,-z,now" IN_LIST hardening)
        list(APPEND expected "bound at start-up")
        if(NOT dynamic MATCHES "\\(FLAGS\\)[^\n]*BIND_NOW|\\(FLAGS_1\\)[^\n]* NOW")
            list(APPEND failures "heap-view: no BIND_NOW or NOW flag in its dynamic section:\n${dynamic}")
        endif()
    endif()
    if("-Wl,-z,relro" IN_LIST hardening)
        list(APPEND expected "read-only relocations")
        if(NOT headers MATCHES "\n *GNU_RELRO ")
            list(APPEND failures "heap-view: no GNU_RELRO program header:\n${headers}")
        endif()
    endif()
    if(HARDENING_FLAGS MATCHES "-D_FORTIFY_SOURCE=[1-9]")
        list(APPEND expected "fortified")
        if(NOT imports MATCHES "UND __[a-z0-9_]+_chk(@|;|$)")
            list(APPEND failures "heap-view imports no fortified function (__*_chk):\n${imports}")
        endif()
    endif()
    if(HARDENING_FLAGS MATCHES "-fstack-protector")
        list(APPEND expected "stack protector")
        if(NOT imports MATCHES "UND __stack_chk_fail(@|;|$)")
            list(APPEND failures "heap-view does not import __stack_chk_fail:\n${imports}")
        endif()
    endif()
    if(NOT dynamic MATCHES "\\(FLAGS_1\\)[^\n]* PIE")
        list(APPEND failures "heap-view is not position independent (no PIE flag):\n${dynamic}")
    endif()
    list(JOIN expected ", " expected)
    message("heap-view is position independent; hardening: ${expected}")
    if(failures)
        string(REPLACE ";" "\n  " failures "${failures}")
        message(FATAL_ERROR "package check failed:\n  ${failures}")
    endif()

    run(output ${groff} -man -ww -z ${SOURCE_DIR}/viewer/heap-view.1)
    if(output_ERR)
        message(FATAL_ERROR "groff warns about heap-view.1:\n${output_ERR}")
    endif()
    run(manual ${CMAKE_COMMAND} -E env MANWIDTH=200 ${man} --warnings -E UTF-8
        -l ${root}/usr/share/man/man1/heap-view.1.gz)
    if(manual_ERR)
        message(FATAL_ERROR "man warns about the packaged heap-view.1.gz:\n${manual_ERR}")
    endif()
    # The page quotes the program's messages byte for byte (the signal's line
    # is put together by hand, so it is no string in the binary).
    file(STRINGS ${root}/usr/bin/heap-view program_strings)
    foreach(text "user pressed the p key" "user clicked the left mouse button"
                 "user clicked the right mouse button" "sig detected... resuming timer.")
        string(FIND "${program_strings}" "${text}" in_program)
        string(FIND "${manual}" "${text}" in_manual)
        if(in_program EQUAL -1 OR in_manual EQUAL -1)
            message(FATAL_ERROR "\"${text}\": in heap-view ${in_program}, in its manual ${in_manual}")
        endif()
    endforeach()
endif()

# find_package: the CMake package found through CMAKE_PREFIX_PATH alone (the
# consumer checks where it came from).
run(output ${CTEST} --build-and-test ${SOURCE_DIR}/heap/tests/consumer ${OUTPUT_DIR}/cmake-consumer
    --build-generator ${CONSUMER_GENERATOR} --build-makeprogram ${CONSUMER_MAKE}
    --build-config ${CONFIG}
    --build-options -DCMAKE_PREFIX_PATH=${root}/usr -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
                    -DCMAKE_BUILD_TYPE=${CONFIG} -DCMAKE_CXX_COMPILER=${CONSUMER_CXX}
                    "-DCMAKE_CXX_FLAGS=${CONSUMER_CXX_FLAGS}"
                    "-DCMAKE_EXE_LINKER_FLAGS=${CONSUMER_LINK_FLAGS}"
    --test-command ${CMAKE_COMMAND} -DCHECKED=${OUTPUT_DIR}/cmake-consumer/heap-consumer
                   -DUNCHECKED=${OUTPUT_DIR}/cmake-consumer/heap-consumer-ndebug
                   -P ${SOURCE_DIR}/heap/tests/consumer/RunConsumer.cmake)
message("find_package consumer: ${output}")

# pkg-config: a plain compiler line, with pkg-config searching the unpacked
# tree only. Told that the tree is a sysroot, it must give the same flags.
set(pkg_config_env PKG_CONFIG_LIBDIR=${root}/usr/${LIBDIR}/pkgconfig PKG_CONFIG_PATH=)
run(flags ${CMAKE_COMMAND} -E env ${pkg_config_env} ${pkg_config} --cflags --libs binaryheap)
run(sysroot_flags ${CMAKE_COMMAND} -E env ${pkg_config_env} PKG_CONFIG_SYSROOT_DIR=${root}
    ${pkg_config} --cflags --libs binaryheap)
string(STRIP "${flags}" flags)
string(STRIP "${sysroot_flags}" sysroot_flags)
message("pkg-config --cflags --libs binaryheap: ${flags}")
string(FIND "${flags}" "-I${root}/" include_at)
string(FIND "${flags}" "-L${root}/" lib_at)
if(include_at EQUAL -1 OR lib_at EQUAL -1 OR NOT sysroot_flags STREQUAL flags)
    message(FATAL_ERROR "pkg-config's flags do not point into ${root}: ${flags}\n"
                        "with ${root} as sysroot: ${sysroot_flags}")
endif()
run(output ${CMAKE_COMMAND} -DPKG_CONFIG=${pkg_config} -DPKG_CONFIG_DIR=${root}/usr/${LIBDIR}/pkgconfig
    -DCXX=${CONSUMER_CXX} "-DCXX_FLAGS=${CONSUMER_CXX_FLAGS}" "-DLINK_FLAGS=${CONSUMER_LINK_FLAGS}"
    -DOUTPUT_DIR=${OUTPUT_DIR}/pkg-config-consumer
    -P ${SOURCE_DIR}/heap/tests/consumer/ConsumerPkgConfig.cmake)
message("pkg-config consumer: ${output}")
message("packages hold what they should; lintian, the hardening, the manual page and both consumers pass")
