# Sourced by the set-up scripts from the clone's root: CMake compiles through
# ccache, whose cache lies outside the clone, so a second clone (CI's) compiles
# only what changed. Paths are taken relative to the clone, so clones in other
# folders share the cache.
if command -v ccache >/dev/null 2>&1; then
  CCACHE_DIR=${CCACHE_DIR:-/var/cache/kestrune/ccache}
  CCACHE_BASEDIR=$(pwd)
  CCACHE_NOHASHDIR=1
  CMAKE_C_COMPILER_LAUNCHER=ccache
  CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_DIR CCACHE_BASEDIR CCACHE_NOHASHDIR CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
fi
