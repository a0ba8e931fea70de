# Read by cpack once for each generator. The .deb installs every component but the LICENSE file,
# whose text its usr/share/doc/vorex/copyright already holds; the tarball keeps both.
if(CPACK_GENERATOR STREQUAL "DEB")
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 vorex_build_dir)
  set(CPACK_INSTALL_CMAKE_PROJECTS "${vorex_build_dir};vorex;Unspecified;/")
endif()
