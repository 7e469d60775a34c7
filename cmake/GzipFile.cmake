# SPDX-License-Identifier: MIT
# heap_gzip_file(TARGET SOURCE OUTPUT)
# Builds OUTPUT (ending in .gz) from SOURCE as Debian ships manual pages and
# changelogs: gzip -9, without the file name and time stamp that would make
# each build's bytes differ.
find_program(GZIP_PROGRAM gzip REQUIRED)

function(heap_gzip_file target source output)
    string(REGEX REPLACE "\\.gz$" "" plain ${output})
    add_custom_command(OUTPUT ${output}
                       COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
                       COMMAND ${GZIP_PROGRAM} -9nf ${plain}
                       DEPENDS ${source}
                       COMMENT "Compressing ${output}"
                       VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
