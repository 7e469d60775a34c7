# The Debian package: heap-view, and the heap library with its header and CMake
# package, as installed by the install() rules. Build it with cpack -G DEB in
# the build tree.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME heap-view)
set(CPACK_PACKAGE_VENDOR "Heap View developers")
set(CPACK_PACKAGE_CONTACT "Heap View developers <heap-view@users.noreply.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_DESCRIPTION
    "Heap View animates a pointer-linked binary min-heap of integers in an X11 window.\n"
    "The package also holds the heap as a C++ library, its header <heap/BinaryHeap.h>\n"
    "and a CMake package: find_package(BinaryHeap CONFIG) and link BinaryHeap::heap.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Runtime dependencies (GLUT, OpenGL, the C++ library) come from the binaries
# themselves, through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

if(BUILD_TESTING)
    # Builds the package and checks what it holds and what it depends on.
    # Without heap-view (HEAP_BUILD_VIEWER=OFF) there is no package to speak
    # of, and the test is skipped.
    if(TARGET heap-view)
        set(package_has_viewer ON)
    else()
        set(package_has_viewer OFF)
    endif()
    add_test(NAME debian_package
             COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND}
                     -DBUILD_DIR=${PROJECT_BINARY_DIR} -DCONFIG=$<CONFIG>
                     -DHAS_VIEWER=${package_has_viewer}
                     -DOUTPUT_DIR=${PROJECT_BINARY_DIR}/package-check
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckDebianPackage.cmake)
    set_tests_properties(debian_package PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED: heap-view"
                                                   LABELS package TIMEOUT 300)
endif()
