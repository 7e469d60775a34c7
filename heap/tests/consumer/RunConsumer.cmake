# SPDX-License-Identifier: MIT
# Runs a consumer built with the contract checks (CHECKED) and one built with
# NDEBUG (UNCHECKED): both must drain in order; told to misuse the heap, the
# first must stop with the check's line on standard error, the second go on.
# With BUILD_DIR, installing that build tree must install nothing: the heap
# added as a subproject sets up no install rules unless asked.
#   cmake -DCHECKED=... -DUNCHECKED=... [-DBUILD_DIR=...] -P RunConsumer.cmake
foreach(program CHECKED UNCHECKED)
    execute_process(COMMAND ${${program}} RESULT_VARIABLE result OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
    if(NOT result EQUAL 0 OR NOT out MATCHES "drained 8 items in order")
        message(FATAL_ERROR "${${program}}: ${result}\n${out}${err}")
    endif()
    execute_process(COMMAND ${${program}} misuse RESULT_VARIABLE ${program}_result
                    OUTPUT_VARIABLE ${program}_out ERROR_VARIABLE ${program}_err)
endforeach()
if(CHECKED_result EQUAL 0 OR NOT CHECKED_out MATCHES "checks: on"
   OR NOT CHECKED_err MATCHES "^MinBinaryHeap::increaseKey: key went down[^\n]*\n$")
    message(FATAL_ERROR "the checked consumer was not stopped: ${CHECKED_result}\n"
                        "${CHECKED_out}${CHECKED_err}")
endif()
if(NOT UNCHECKED_result EQUAL 0 OR NOT UNCHECKED_out MATCHES "checks: off\nmisuse went unchecked")
    message(FATAL_ERROR "the NDEBUG consumer ran a check: ${UNCHECKED_result}\n"
                        "${UNCHECKED_out}${UNCHECKED_err}")
endif()
message("checked consumer: ${CHECKED_err}NDEBUG consumer: ${UNCHECKED_out}")

if(BUILD_DIR)
    set(prefix ${BUILD_DIR}/install-check)
    file(REMOVE_RECURSE ${prefix})
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    file(GLOB_RECURSE installed ${prefix}/*)
    if(NOT result EQUAL 0 OR installed)
        message(FATAL_ERROR "installing the parent installed ${installed}: ${result} ${out}${err}")
    endif()
endif()
