# SPDX-License-Identifier: MIT
# Debian packages, one per install component, built with cpack -G DEB in the
# build tree:
#   heap-view          (component viewer) the program and its manual page
#   libbinaryheap-dev  (component dev)    header, static library, CMake package,
#                                         pkg-config file
# Without the viewer (HEAP_BUILD_VIEWER=OFF) only the -dev package is made.
set(CPACK_PACKAGE_NAME heap-view)
set(CPACK_PACKAGE_VENDOR "Heap View developers")
set(CPACK_PACKAGE_CONTACT "Heap View developers <heap-view@users.noreply.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Runtime dependencies (GLUT, OpenGL, the C++ library) come from the binaries
# themselves, through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack would put the project's one-line summary in front of both packages'
# descriptions; each package has its own (CPackProjectConfig.cmake drops it).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackProjectConfig.cmake)

set(CPACK_COMPONENTS_ALL dev)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libbinaryheap-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "linked binary min-heap for C++ - development files\n"
    "A min-heap kept as a complete binary tree of linked nodes rather than an\n"
    "array. Its keys are polymorphic and know the node that carries them, so a\n"
    "caller that changed a key hands it back to increaseKey or decreaseKey to\n"
    "re-position it.\n"
    "\n"
    "This package holds the headers <heap/BinaryHeap.h> and <heap/TypedKey.h>,\n"
    "the static library, the CMake package (find_package(BinaryHeap), target\n"
    "BinaryHeap::heap) and the pkg-config file (binaryheap).")
if(TARGET heap-view)
    list(APPEND CPACK_COMPONENTS_ALL viewer)
    set(CPACK_DEBIAN_VIEWER_PACKAGE_NAME heap-view)
    set(CPACK_DEBIAN_VIEWER_PACKAGE_SECTION graphics)
    set(CPACK_COMPONENT_VIEWER_DESCRIPTION
        "animated view of a linked binary min-heap\n"
        "Heap View opens a 400x400 X11 window and animates a binary min-heap of\n"
        "integers kept as a tree of linked nodes: it inserts 200 random values,\n"
        "one about every 250 ms, then keeps raising and lowering random keys.\n"
        "After every step it redraws the tree as stacked, labelled boxes.\n"
        "Clicks, the p key and SIGUSR2 are reported on standard output.")
endif()
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER ${component} COMPONENT)
    string(REPLACE ";" "" CPACK_COMPONENT_${COMPONENT}_DESCRIPTION
                   "${CPACK_COMPONENT_${COMPONENT}_DESCRIPTION}")
endforeach()

# Each package carries the copyright file and the changelog in its own
# /usr/share/doc directory. They are Debian's formats, so a plain
# cmake --install leaves them out (EXCLUDE_FROM_ALL).
heap_gzip_file(debian-changelog ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
               ${PROJECT_BINARY_DIR}/debian/changelog.gz)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER ${component} COMPONENT)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
                  ${PROJECT_BINARY_DIR}/debian/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME}
            COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
# CPack strips the files it packs (CPACK_STRIP_FILES, as cmake --install
# --strip does) with a bare strip, and leaves static libraries alone. Debian's
# dh_strip also drops the .comment and .note sections (compiler versions and
# the like, nothing the program reads), and strips a static library of its
# debug information alone, keeping its symbols, with no time stamps or owners
# in the archive. So do the packages, and any stripped install.
function(heap_strip_as_debian target component)
    get_target_property(type ${target} TYPE)
    set(options --remove-section=.comment --remove-section=.note)
    if(type STREQUAL "STATIC_LIBRARY")
        set(dir ${CMAKE_INSTALL_LIBDIR})
        list(APPEND options --strip-debug --enable-deterministic-archives)
    elseif(type STREQUAL "SHARED_LIBRARY")
        set(dir ${CMAKE_INSTALL_LIBDIR})
        list(APPEND options --strip-unneeded)
    else()
        set(dir ${CMAKE_INSTALL_BINDIR})
    endif()
    list(JOIN options " " options)
    if(NOT IS_ABSOLUTE ${dir})
        set(dir "\${CMAKE_INSTALL_PREFIX}/${dir}")
    endif()
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            set(file \"\$ENV{DESTDIR}${dir}/$<TARGET_FILE_NAME:${target}>\")
            execute_process(COMMAND [[${CMAKE_STRIP}]] ${options} \"\${file}\"
                            RESULT_VARIABLE result)
            if(NOT result EQUAL 0)
                message(FATAL_ERROR \"${CMAKE_STRIP} \${file} failed: \${result}\")
            endif()
        endif()" COMPONENT ${component})
endfunction()
if(CMAKE_STRIP)
    heap_strip_as_debian(binaryheap dev)
    if(TARGET heap-view)
        heap_strip_as_debian(heap-view viewer)
    endif()
endif()
include(CPack)
