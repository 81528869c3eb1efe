# Install helpers for the packages: what Debian expects of a program, a man
# page and a package, written once. A component becomes one Debian package
# (cpack -G DEB): "tool" is stempelzug, "emulator" is stempelzug-emulator.
#
# A further program of a package needs its install(TARGETS ...) line and
#   hv_install_man_pages(<component> <program>.1)
# with the page in man/; an administrators' script of scripts/ needs
#   hv_install_script(<component> <script> <name on the PATH>)

# gzip -9n: the best compression, and neither the file's name nor a time stamp
# in the header, so that every build gives the same bytes.
find_program(HV_GZIP gzip)

# The build's compressed copy of `source` as build/compressed/<name>.gz, made
# by the ALL target; its path in `out`.
function(hv_compressed source name out)
  set(plain ${CMAKE_BINARY_DIR}/compressed/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${HV_GZIP} -9nf ${plain}
    DEPENDS ${source} VERBATIM)
  add_custom_target(compressed-${name} ALL DEPENDS ${plain}.gz)
  set(${out} ${plain}.gz PARENT_SCOPE)
endfunction()

# Man pages of man/ (file name <name>.<section>), compressed as Debian
# installs them; uncompressed where there is no gzip.
function(hv_install_man_pages component)
  foreach(page IN LISTS ARGN)
    string(REGEX MATCH "[0-9]$" section ${page})
    set(installed ${CMAKE_SOURCE_DIR}/man/${page})
    if(HV_GZIP)
      hv_compressed(${CMAKE_SOURCE_DIR}/man/${page} ${page} installed)
    endif()
    install(FILES ${installed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
  endforeach()
endfunction()

# An administrators' script of scripts/, on the PATH under `name`.
function(hv_install_script component script name)
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/${script} DESTINATION ${CMAKE_INSTALL_BINDIR}
          RENAME ${name} COMPONENT ${component})
endfunction()

# The copyright file and the changelog (compressed) that every Debian package
# carries in share/doc/<package>. The changelog's latest entry must name the
# project's version.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog hv_changelog_top LIMIT_COUNT 1)
if(NOT hv_changelog_top MATCHES "^stempelzug \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the latest entry is not for version ${PROJECT_VERSION}: "
                      "${hv_changelog_top}")
endif()
function(hv_install_package_documents component package)
  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${doc} COMPONENT ${component})
  if(HV_GZIP)
    if(NOT TARGET compressed-changelog)
      hv_compressed(${CMAKE_SOURCE_DIR}/packaging/changelog changelog changelog)
    endif()
    install(FILES ${CMAKE_BINARY_DIR}/compressed/changelog.gz DESTINATION ${doc} COMPONENT ${component})
  endif()
endfunction()
