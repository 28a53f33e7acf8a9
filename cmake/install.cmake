# What `cmake --install` puts where, and the packages `cpack` makes of it: a .tar.gz and a
# .deb on Linux, a .zip on Windows.
include(GNUInstallDirs)

install(TARGETS pla-eprom plakit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages go compressed, as Debian wants them; man reads them either way. Every package
# carries the README, the guide beside it in docs/ (where the README's links find it) and the
# licence; Windows has no man, so its package has no pages.
set(pla_eprom_manual_pages pla-eprom.1 plakit.1)
if(WIN32)
  install(FILES README.md LICENSE DESTINATION .)
  install(DIRECTORY docs/ DESTINATION docs FILES_MATCHING PATTERN "*.md")
else()
  find_program(PLA_EPROM_GZIP gzip REQUIRED)
  # Debian's places: the licence as the machine-readable copyright file (MIT is Expat there,
  # its text indented, a blank line a lone "."), and the changelog compressed.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE pla_eprom_licence)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  string(REGEX REPLACE "\n$" "" pla_eprom_licence "${pla_eprom_licence}")
  string(REGEX REPLACE "\n\n" "\n.\n" pla_eprom_licence "${pla_eprom_licence}")
  string(REGEX REPLACE "\n" "\n " pla_eprom_licence "${pla_eprom_licence}")
  file(
    WRITE ${PROJECT_BINARY_DIR}/doc/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: pla-eprom\n"
    "Upstream-Contact: the pla-eprom authors <pla-eprom@example.org>\n\n"
    "Files: *\n"
    "Copyright: 2026 the pla-eprom authors\n"
    "License: Expat\n"
    " ${pla_eprom_licence}\n")
  set(changelog ${PROJECT_BINARY_DIR}/doc/changelog.gz)
  add_custom_command(
    OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
    COMMAND ${PLA_EPROM_GZIP} -9nc ${PROJECT_SOURCE_DIR}/cmake/debian/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog
    VERBATIM)
  add_custom_target(package_changelog ALL DEPENDS ${changelog})
  install(FILES README.md ${PROJECT_BINARY_DIR}/doc/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.md")
  foreach(page IN LISTS pla_eprom_manual_pages)
    set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
    # -n: no name or time stamp inside, so the same page always makes the same file.
    add_custom_command(
      OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${PLA_EPROM_GZIP} -9nc ${PROJECT_SOURCE_DIR}/man/${page} > ${compressed}
      DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}
      VERBATIM)
    list(APPEND compressed_pages ${compressed})
  endforeach()
  add_custom_target(manual_pages ALL DEPENDS ${compressed_pages})
  install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME pla-eprom)
set(CPACK_PACKAGE_VENDOR "the pla-eprom authors")
set(CPACK_PACKAGE_CONTACT "pla-eprom@example.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "EPROM image that stands in for a programmed 82S100 logic array")
# Debian shows the description as it stands: lines under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "pla-eprom works out the outputs of a programmed 82S100 field-programmable
logic array for all 65,536 input combinations and writes them, through an
adapter's fixed wiring, as the image of a 27C512-class EPROM that takes the
array's place. Its companion plakit writes and reads the programming as a
JEDEC fuse file, prints it as equations, and makes the image of any
programming.")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the pla-eprom authors <pla-eprom@example.org>")
endif()
include(CPack)
