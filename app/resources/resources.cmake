# Pictures, icon, Windows version record and manifest, Linux desktop entry and
# AppStream metadata of the `kestrune` executable.
#
# Included from app/CMakeLists.txt after add_executable(kestrune ...), in the
# same directory scope. The pictures themselves are drawn by
# tools/make-artwork.sh and kept in art/.

include(GNUInstallDirs)

set(_kestrune_resources_dir "${CMAKE_CURRENT_LIST_DIR}")

# The version record shows the version as major "." two-digit minor ("3.00"),
# the way the program has always written it.
set(KESTRUNE_VERSION_MINOR_PADDED "${PROJECT_VERSION_MINOR}")
string(LENGTH "${KESTRUNE_VERSION_MINOR_PADDED}" _kestrune_minor_length)
if(_kestrune_minor_length LESS 2)
  string(PREPEND KESTRUNE_VERSION_MINOR_PADDED "0")
endif()
set(KESTRUNE_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${KESTRUNE_VERSION_MINOR_PADDED}")

configure_file("${_kestrune_resources_dir}/windows/kestrune.rc.in"
               "${CMAKE_CURRENT_BINARY_DIR}/kestrune.rc" @ONLY)
# The resource script names the manifest without a path; the resource
# compiler looks for it beside the script.
configure_file("${_kestrune_resources_dir}/windows/kestrune.manifest"
               "${CMAKE_CURRENT_BINARY_DIR}/kestrune.manifest" COPYONLY)
# Desktops match the running window to its entry by the entry's file name,
# which main.cpp gives as the desktop file name: both are the AppStream id.
configure_file("${_kestrune_resources_dir}/linux/kestrune.desktop.in"
               "${CMAKE_CURRENT_BINARY_DIR}/${KESTRUNE_APP_ID}.desktop" @ONLY)
configure_file("${_kestrune_resources_dir}/linux/kestrune.metainfo.xml.in"
               "${CMAKE_CURRENT_BINARY_DIR}/${KESTRUNE_APP_ID}.metainfo.xml" @ONLY)


# Cached so that tests/resources, in another directory, sees them.
set(KESTRUNE_RC_FILE "${CMAKE_CURRENT_BINARY_DIR}/kestrune.rc"
    CACHE INTERNAL "Configured Windows resource script of kestrune")
set(KESTRUNE_ART_DIR "${_kestrune_resources_dir}/art"
    CACHE INTERNAL "Directory of kestrune's pictures and icon")
set(KESTRUNE_ART_QRC "${_kestrune_resources_dir}/art.qrc")

# Built in as :/art/<file>. A library of this directory that already lists
# art.qrc (so that the window's tests get the pictures too) carries them into
# the executable; otherwise the executable takes the file itself.
set(_kestrune_art_carried OFF)
get_directory_property(_kestrune_targets BUILDSYSTEM_TARGETS)
foreach(_kestrune_target IN LISTS _kestrune_targets)
  get_target_property(_kestrune_sources ${_kestrune_target} SOURCES)
  foreach(_kestrune_source IN LISTS _kestrune_sources)
    get_filename_component(_kestrune_source "${_kestrune_source}" ABSOLUTE)
    if(_kestrune_source STREQUAL KESTRUNE_ART_QRC)
      set(_kestrune_art_carried ON)
    endif()
  endforeach()
endforeach()
if(NOT _kestrune_art_carried)
  set_target_properties(kestrune PROPERTIES AUTORCC ON)
  target_sources(kestrune PRIVATE "${KESTRUNE_ART_QRC}")
endif()

if(WIN32)
  enable_language(RC)
  target_sources(kestrune PRIVATE "${KESTRUNE_RC_FILE}")
  # kestrune.ico is found through the include path; the configured directory
  # is listed too for resource compilers that do not look beside the script.
  set_source_files_properties("${KESTRUNE_RC_FILE}" PROPERTIES
    INCLUDE_DIRECTORIES "${KESTRUNE_ART_DIR};${CMAKE_CURRENT_BINARY_DIR}"
    OBJECT_DEPENDS "${KESTRUNE_ART_DIR}/kestrune.ico;${CMAKE_CURRENT_BINARY_DIR}/kestrune.manifest")
  if(MSVC)
    # The script carries the manifest; a second one from the linker would
    # clash with it (duplicate resource 24/1).
    target_link_options(kestrune PRIVATE /MANIFEST:NO)
  endif()
endif()

# Desktop integration on freedesktop systems: menu entry, software-centre
# metadata and the icon theme's sizes.
if(UNIX AND NOT APPLE)
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${KESTRUNE_APP_ID}.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${KESTRUNE_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  foreach(_kestrune_icon_size IN ITEMS 32 48 128 256)
    set(_kestrune_icon_dir "icons/hicolor/${_kestrune_icon_size}x${_kestrune_icon_size}/apps")
    install(FILES "${KESTRUNE_ART_DIR}/icon-${_kestrune_icon_size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/${_kestrune_icon_dir}"
            RENAME kestrune.png)
  endforeach()
endif()
