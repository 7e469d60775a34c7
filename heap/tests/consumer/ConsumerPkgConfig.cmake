# SPDX-License-Identifier: MIT
# The pkg-config way in: main.cpp compiled on a plain compiler line with the
# flags pkg-config gives for binaryheap from PKG_CONFIG_DIR alone, once with
# the contract checks and once with NDEBUG, then run by RunConsumer.cmake.
#   cmake -DPKG_CONFIG=... -DPKG_CONFIG_DIR=... -DCXX=... [-DCXX_FLAGS=...]
#         [-DLINK_FLAGS=...] -DOUTPUT_DIR=... -P ConsumerPkgConfig.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${PKG_CONFIG_DIR}
                        PKG_CONFIG_PATH= ${PKG_CONFIG} --cflags --libs binaryheap
                RESULT_VARIABLE result OUTPUT_VARIABLE flags ERROR_VARIABLE err
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "pkg-config --cflags --libs binaryheap: ${result} ${err}")
endif()
message("pkg-config --cflags --libs binaryheap: ${flags}")
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS}")
separate_arguments(link_flags UNIX_COMMAND "${LINK_FLAGS}")
file(MAKE_DIRECTORY ${OUTPUT_DIR})
foreach(variant checked unchecked)
    set(define)
    if(variant STREQUAL "unchecked")
        set(define -DNDEBUG)
    endif()
    execute_process(COMMAND ${CXX} ${cxx_flags} ${define} ${CMAKE_CURRENT_LIST_DIR}/main.cpp
                            ${flags} ${link_flags} -o ${OUTPUT_DIR}/pkg-config-consumer-${variant}
                    RESULT_VARIABLE result ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "compiling the pkg-config consumer failed: ${result}\n${err}")
    endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -DCHECKED=${OUTPUT_DIR}/pkg-config-consumer-checked
                        -DUNCHECKED=${OUTPUT_DIR}/pkg-config-consumer-unchecked
                        -P ${CMAKE_CURRENT_LIST_DIR}/RunConsumer.cmake
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the pkg-config consumer failed")
endif()
