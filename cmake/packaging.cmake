# Installation (GNU layout) and the Debian package (make package). The version in every file
# below is the project's, from the top-level CMakeLists.txt.
include(GNUInstallDirs)

set(NUMMORA_HOMEPAGE "https://nummora.quillan.org" CACHE STRING "The program's web page")
set(NUMMORA_SCREENSHOT_BASE "${NUMMORA_HOMEPAGE}/screenshots" CACHE STRING
    "Where the screenshots of docs/screenshots are published (AppStream metainfo)")
set(NUMMORA_RELEASE_DATE "2026-12-09" CACHE STRING "Release date of this version (YYYY-MM-DD)")

set(data ${PROJECT_SOURCE_DIR}/data)
set(generated ${PROJECT_BINARY_DIR}/data)
configure_file(${data}/org.quillan.Nummora.metainfo.xml.in ${generated}/org.quillan.Nummora.metainfo.xml @ONLY)
foreach(page nummora nummora-cli)
  configure_file(${data}/${page}.1.in ${generated}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${generated}/${page}.1.gz
    COMMAND gzip -9 -n -c ${generated}/${page}.1 > ${generated}/${page}.1.gz
    DEPENDS ${generated}/${page}.1 ${data}/${page}.1.in)
  list(APPEND man_pages ${generated}/${page}.1.gz)
endforeach()
add_custom_target(nummora_man_pages ALL DEPENDS ${man_pages})

if(TARGET nummora)
  install(TARGETS nummora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS nummora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${data}/nummora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/org.quillan.Nummora.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${data}/icons/nummora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${data}/icons/nummora-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME nummora.png)
endforeach()
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Packaging installs what the build made (make package builds first) instead of building
# every test program again on the way.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nummora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillan)
set(CPACK_PACKAGE_CONTACT "Quillan <nummora@quillan.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop wallet for e-gold and Liberty Reserve accounts")
set(CPACK_PACKAGE_DESCRIPTION
    "Nummora keeps e-gold and Liberty Reserve accounts in one encrypted profile, shows and\nrefreshes their balances, sends payments, shows history, metal rates and a merchant\ndirectory, and opens nmr:// payment links. nummora-cli offers the profile tools and\npayments on the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${NUMMORA_HOMEPAGE})
# Libraries linked at build time come from dpkg-shlibdeps. libcurl and OpenSSL are opened only
# when first used, and Qt finds its platform plugins at run time: none of them shows there.
# libsodium, which every profile of the strong format needs, is named as well.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libssl3, libsodium23, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-gtk-platformtheme")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${data}/postinst;${data}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# make test builds the package and checks it (scripts/check-package).
if(NUMMORA_BUILD_TESTS AND TARGET nummora)
  add_test(NAME package.deb COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-package ${PROJECT_BINARY_DIR})
  set_tests_properties(package.deb PROPERTIES LABELS package TIMEOUT 900)
endif()
