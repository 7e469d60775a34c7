# SPDX-License-Identifier: MIT
# Read by cpack for each generator it runs. A Debian description starts with
# the package's own synopsis; CPack would put the project's one-line summary
# in front of both packages' descriptions.
if(CPACK_GENERATOR STREQUAL "DEB")
    unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
endif()
