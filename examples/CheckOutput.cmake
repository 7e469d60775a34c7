# SPDX-License-Identifier: MIT
# Runs PROGRAM and requires exit status 0, nothing on standard error, and
# standard output equal to the file EXPECTED.
#   cmake -DPROGRAM=... -DEXPECTED=... -P CheckOutput.cmake
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE error)
file(READ ${EXPECTED} expected)
if(NOT result EQUAL 0 OR NOT error STREQUAL "" OR NOT output STREQUAL expected)
    message(FATAL_ERROR "${PROGRAM} (status ${result}) wrote:\n${output}${error}"
                        "expected:\n${expected}")
endif()
