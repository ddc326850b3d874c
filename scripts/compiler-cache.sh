# Sourced by the build scripts from the repository's top folder. With ccache installed, every
# tree (build/, build-asan/, build-fuzz/, build-bench/) compiles through it, and so does every
# clone of the repository: paths under the clone are hashed relative to it, so a fresh clone
# reuses what another compiled. A tree configured before keeps the launcher it was given.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
