# What an installation brings besides the programs (manual pages, icons, AppStream metainfo, the
# user's guide), and the Debian package of all of it: `make deb` builds velk_<version>_<arch>.deb
# with CPack in build-deb/, configured for the prefix /usr.

# The manual pages, from scdoc to roff, gzipped as Debian keeps them; the German ones are
# NAME.de.1.scd and go to man/de/man1.  Without scdoc the build has none and installs none.
find_program(VELK_SCDOC scdoc)
find_program(VELK_GZIP gzip)
if(VELK_SCDOC AND VELK_GZIP)
  file(GLOB manSources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.scd)
  set(manPages)
  foreach(src ${manSources})
    get_filename_component(base ${src} NAME_WLE) # velk-exchange.de.1
    if(base MATCHES "^(.+)\\.([a-z][a-z])\\.([1-9])$")
      set(page ${CMAKE_MATCH_1}.${CMAKE_MATCH_3})
      set(dir ${CMAKE_BINARY_DIR}/man/${CMAKE_MATCH_2}/man${CMAKE_MATCH_3})
      set(dest share/man/${CMAKE_MATCH_2}/man${CMAKE_MATCH_3})
    elseif(base MATCHES "^(.+)\\.([1-9])$")
      set(page ${base})
      set(dir ${CMAKE_BINARY_DIR}/man/man${CMAKE_MATCH_2})
      set(dest share/man/man${CMAKE_MATCH_2})
    else()
      message(FATAL_ERROR "${src}: manual page names are NAME[.LANG].SECTION.scd")
    endif()
    add_custom_command(OUTPUT ${dir}/${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND sh -c "'${VELK_SCDOC}' < '${src}' | '${VELK_GZIP}' -9n > '${dir}/${page}.gz'"
      DEPENDS ${src} VERBATIM)
    list(APPEND manPages ${dir}/${page}.gz)
    install(FILES ${dir}/${page}.gz DESTINATION ${dest})
  endforeach()
  add_custom_target(manpages ALL DEPENDS ${manPages})
endif()

# Icons in the hicolor theme, named after the desktop entry's Icon=; the PNGs are rendered from
# the SVG (rsvg-convert -w N -h N velk.svg -o velk-N.png) and kept with it.
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velk.svg
  DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velk-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME velk.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/de.velk.Velk.metainfo.xml
  DESTINATION share/metainfo)

# The version lives in project() only; the changelog and the metainfo keep the history of the
# releases, so their newest entry must name it (a new version needs an entry in both).
string(REPLACE "." "\\." versionPattern ${PROJECT_VERSION})
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/package/changelog newestEntry LIMIT_COUNT 1)
if(NOT newestEntry MATCHES "^velk \\(${versionPattern}\\)")
  message(FATAL_ERROR "resources/package/changelog: the newest entry is not version "
    "${PROJECT_VERSION}: ${newestEntry}")
endif()
file(READ ${PROJECT_SOURCE_DIR}/resources/package/de.velk.Velk.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<releases>[ \t\r\n]*<release version=\"${versionPattern}\"")
  message(FATAL_ERROR "resources/package/de.velk.Velk.metainfo.xml: the newest release is not "
    "version ${PROJECT_VERSION}")
endif()

# The user's guide with its pictures, the help, the copyright and the changelog.
set(docDir share/doc/velk)
# The help is the copy with the version filled in (shell/CMakeLists.txt).
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md ${CMAKE_BINARY_DIR}/generated/help/velk.html
  ${PROJECT_SOURCE_DIR}/resources/package/copyright DESTINATION ${docDir})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/img DESTINATION ${docDir})
if(VELK_GZIP)
  set(changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND sh -c "'${VELK_GZIP}' -9n < '${PROJECT_SOURCE_DIR}/resources/package/changelog' > '${changelog}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/package/changelog VERBATIM)
  add_custom_target(changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} DESTINATION ${docDir})
endif()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VELK maintainers <maintainers@velk.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "multi-user personal information manager (appointments, addresses, projects)")
# The description's first line is the summary above; here the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Several people share one database directory, on one machine or on a network
share; each keeps appointments with recurrence, participants, resources and
alarms, an address book of persons and groups, and projects with tasks. The
user interface is German.
.
velk-check verifies and repairs a database directory; velk-exchange imports,
exports, prints to PDF, searches and syncs with a CalDAV/CardDAV server from
the command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# At run time: the platform plugins of Qt (X11, Wayland, offscreen for velk-exchange's PDFs),
# the font of the drawn views and pages, vdirsyncer for the sync; the keyring's secret-tool and
# Qt's German texts where they are wanted.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation, vdirsyncer")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsecret-tools, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR OFF)
include(CPack)
