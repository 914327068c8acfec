# Run by CPack in the package's staging folder, after the install() rules and
# before the package is packed: Debian wants manual pages and the files in
# /usr/share/doc/<package> (but the copyright file) compressed with
# `gzip -9n` (no name, no time stamp, so the same input gives the same bytes).
# Done here rather than in the install() rules, so that `cmake --install`
# keeps plain files and every program's pages are caught, whoever installs
# them.

file(GLOB_RECURSE _manual_pages LIST_DIRECTORIES false
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/man/*")
file(GLOB _documents LIST_DIRECTORIES false
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_DEBIAN_PACKAGE_NAME}/*")
list(FILTER _documents EXCLUDE REGEX "/copyright$")

foreach(_file IN LISTS _manual_pages _documents)
  if(_file MATCHES "\\.gz$")
    continue()
  endif()
  execute_process(COMMAND gzip -9nf "${_file}" RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${_file}")
  endif()
endforeach()
