# Builds the Debian package of the build tree BUILD_DIR with cpack into a fresh
# OUTPUT_DIR and checks its contents and dependencies with dpkg-deb.
#   cmake -DCPACK=... -DBUILD_DIR=... -DOUTPUT_DIR=... [-DCONFIG=...]
#         [-DHAS_VIEWER=ON|OFF] -P CheckDebianPackage.cmake
# When heap-view is not built it only says so, which CTest counts as a skip.
if(NOT HAS_VIEWER)
    message("SKIPPED: heap-view is not built in this tree, so there is no package to check")
    return()
endif()

find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_DEB)
    message(FATAL_ERROR "dpkg-deb is needed to inspect the package (apt-get install dpkg-dev)")
endif()

file(REMOVE_RECURSE ${OUTPUT_DIR})
set(config_args)
if(CONFIG)
    set(config_args -C ${CONFIG})
endif()
execute_process(COMMAND ${CPACK} -G DEB -B ${OUTPUT_DIR} ${config_args}
                        --config ${BUILD_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()
file(GLOB packages ${OUTPUT_DIR}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one .deb in ${OUTPUT_DIR}, found: ${packages}")
endif()
message("package: ${packages}")

execute_process(COMMAND ${DPKG_DEB} -c ${packages} RESULT_VARIABLE result
                OUTPUT_VARIABLE contents ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -c failed: ${error}")
endif()
execute_process(COMMAND ${DPKG_DEB} -f ${packages} Depends RESULT_VARIABLE result
                OUTPUT_VARIABLE depends ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -f failed: ${error}")
endif()
message("Depends: ${depends}")

set(failures)
# Line by line: each pattern ends at the end of a line.
string(REPLACE "\n" ";" lines "${contents}")
foreach(
    entry
    "bin/heap-view$"
    "include/heap/BinaryHeap\\.h$"
    "lib/([^/ ]+/)?libbinaryheap\\.(a|so)$"
    "lib/([^/ ]+/)?cmake/BinaryHeap/BinaryHeapConfig\\.cmake$"
    "lib/([^/ ]+/)?cmake/BinaryHeap/BinaryHeapConfigVersion\\.cmake$"
    "lib/([^/ ]+/)?cmake/BinaryHeap/BinaryHeapTargets\\.cmake$")
    set(found OFF)
    foreach(line IN LISTS lines)
        if(line MATCHES " \\./usr/${entry}")
            set(found ON)
        endif()
    endforeach()
    if(NOT found)
        list(APPEND failures "no file matching usr/${entry}")
    endif()
endforeach()
foreach(dependency "(freeglut|libglut)" "libstdc\\+\\+")
    if(NOT depends MATCHES "${dependency}")
        list(APPEND failures "Depends lacks ${dependency}")
    endif()
endforeach()
if(failures)
    string(REPLACE ";" "\n  " failures "${failures}")
    message(FATAL_ERROR "package check failed:\n  ${failures}\ncontents:\n${contents}")
endif()
message("package holds heap-view, the header, the library and its CMake package")
