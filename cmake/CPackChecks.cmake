# SPDX-License-Identifier: MIT
# Read by cpack for each generator. Without dpkg-shlibdeps CPack would write a .deb that depends
# on nothing and installs a program that cannot start; stop instead.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(OSC_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT OSC_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps is missing, so the package's dependencies cannot be "
                            "computed: install dpkg-dev (bash scripts/install-deps.sh package)")
    endif()
endif()
