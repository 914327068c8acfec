# The Debian package: `cmake --build build --target package` writes
# build/kestrune_<version>-1_<arch>.deb from every install() rule of the
# project. Included last from the top-level CMakeLists.txt.
#
# packaging/check-package.sh checks the package; it reads what it needs from
# build/packaging/package.env, written below.

set(_kestrune_packaging_dir "${CMAKE_CURRENT_LIST_DIR}")
set(_kestrune_package kestrune)
set(_kestrune_release 1)
set(_kestrune_contact "Kestrune developers <kestrune@kestrune.example>")
# Debian looks for a package's documents under its own name, not the project's.
set(_kestrune_docdir "${CMAKE_INSTALL_DATAROOTDIR}/doc/${_kestrune_package}")

set(CPACK_DEBIAN_PACKAGE_RELEASE ${_kestrune_release})
if(UNIX AND NOT APPLE)
  configure_file("${_kestrune_packaging_dir}/changelog.Debian.in"
                 "${CMAKE_BINARY_DIR}/packaging/changelog.Debian" @ONLY)
  install(FILES README.md "${_kestrune_packaging_dir}/copyright"
                "${CMAKE_BINARY_DIR}/packaging/changelog.Debian"
          DESTINATION "${_kestrune_docdir}")
  install(FILES "${_kestrune_packaging_dir}/lintian-overrides"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides"
          RENAME ${_kestrune_package})
endif()

execute_process(COMMAND dpkg --print-architecture
  OUTPUT_VARIABLE _kestrune_arch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT _kestrune_arch)
  set(_kestrune_arch amd64)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${_kestrune_package})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kestrune developers")
set(CPACK_PACKAGE_CONTACT "${_kestrune_contact}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${KESTRUNE_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "look up iPhones by serial number or IMEI, SIM cards by ICCID")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrune助理 is a small desktop tool, in simplified Chinese, for people
tracing a lost or stolen iPhone or checking a second-hand one. Type a phone's
serial number or IMEI, or a SIM card's ICCID, and it asks public web services
and shows what they answer: whether the phone was replaced, its model, its
activation, warranty and iOS version; the SIM card's carrier, part of its
number, its age and its home region.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debug information stays in the build; the package gets stripped programs.
set(CPACK_STRIP_FILES ON)
# Folders the install() rules make get the usual modes whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS "${_kestrune_packaging_dir}/compress-docs.cmake")

set(CPACK_DEBIAN_PACKAGE_NAME ${_kestrune_package})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${_kestrune_arch})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from the programs' own links; the fonts because the window's
# Chinese text has no other font to show in on a plain Debian; Qt's
# translations so that Qt's own texts (the message boxes' buttons, the
# context menus) speak the user's language too.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, qt6-translations-l10n")

include(CPack)

# What the package must hold, file by file (folders left out), as
# check-package.sh finds it after `dpkg-deb -x`. Programs that may be absent
# from a build are listed only when their target exists.
set(_kestrune_man "${CMAKE_INSTALL_MANDIR}/man1")
set(_kestrune_datadir "${CMAKE_INSTALL_DATADIR}")
set(_kestrune_expected
    "${CMAKE_INSTALL_BINDIR}/kestrune"
    "${_kestrune_man}/kestrune.1.gz"
    "${_kestrune_datadir}/applications/${KESTRUNE_APP_ID}.desktop"
    "${_kestrune_datadir}/metainfo/${KESTRUNE_APP_ID}.metainfo.xml"
    "${_kestrune_docdir}/README.md.gz"
    "${_kestrune_docdir}/changelog.Debian.gz"
    "${_kestrune_docdir}/copyright"
    "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides/${_kestrune_package}")
foreach(_kestrune_icon_size IN ITEMS 32 48 128 256)
  list(APPEND _kestrune_expected
       "${_kestrune_datadir}/icons/hicolor/${_kestrune_icon_size}x${_kestrune_icon_size}/apps/kestrune.png")
endforeach()
list(TRANSFORM _kestrune_expected PREPEND "usr/")
string(JOIN "\n" _kestrune_expected ${_kestrune_expected})
set(_kestrune_module "usr/${KESTRUNE_MODULE_DIR}/libkestrune-webpane.so")
set(_kestrune_cli "usr/${CMAKE_INSTALL_BINDIR}/kestrune-cli\nusr/${_kestrune_man}/kestrune-cli.1.gz")
file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/packaging/expected-files.txt"
  CONTENT "${_kestrune_expected}
$<$<TARGET_EXISTS:kestrune-webpane>:${_kestrune_module}
>$<$<TARGET_EXISTS:kestrune-cli>:${_kestrune_cli}
>")
file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/packaging/package.env"
  CONTENT "deb='${CMAKE_BINARY_DIR}/${_kestrune_package}_${PROJECT_VERSION}-${_kestrune_release}_${_kestrune_arch}.deb'
app_id='${KESTRUNE_APP_ID}'
source_dir='${CMAKE_SOURCE_DIR}'
build_dir='${CMAKE_BINARY_DIR}'
has_module=$<TARGET_EXISTS:kestrune-webpane>
has_cli=$<TARGET_EXISTS:kestrune-cli>
")
