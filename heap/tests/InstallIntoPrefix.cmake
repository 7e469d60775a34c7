# SPDX-License-Identifier: MIT
# Installs the build tree BUILD_DIR (configuration CONFIG) into a fresh PREFIX,
# and empties the directories FRESH_DIRS (say, a consumer's build tree).
#   cmake -DBUILD_DIR=... -DPREFIX=... [-DCONFIG=...] [-DFRESH_DIRS=...]
#         -P InstallIntoPrefix.cmake
foreach(required BUILD_DIR PREFIX)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "InstallIntoPrefix.cmake needs -D${required}=...")
    endif()
endforeach()

# Nothing left from an earlier run may make a test pass.
file(REMOVE_RECURSE ${PREFIX} ${FRESH_DIRS})
set(config_args)
if(CONFIG)
    set(config_args --config ${CONFIG})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} ${config_args}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install into ${PREFIX} failed: ${result}")
endif()
