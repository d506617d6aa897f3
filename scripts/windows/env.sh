# Shared by the Windows scripts (sourced): where the SDK, the libraries and
# the build live. Each may be set from outside.
#   MIRLO_WIN64_ROOT   Qt in qt6/, our cross-built libraries in deps/ (cached)
#   MIRLO_WIN64_BUILD  the CMake build folder of the Windows programs
#   MIRLO_WIN64_STAGE  the program folder made from it: Mirlo.exe, Launch.exe
#                      and every DLL and plugin they need (what an installer packs)
MIRLO_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export MIRLO_WIN64_ROOT=${MIRLO_WIN64_ROOT:-/opt/mirlo-win64}
export MIRLO_WIN64_BUILD=${MIRLO_WIN64_BUILD:-$MIRLO_REPO/build-win64}
export MIRLO_WIN64_STAGE=${MIRLO_WIN64_STAGE:-$MIRLO_WIN64_BUILD/stage}
MIRLO_TRIPLET=x86_64-w64-mingw32
MIRLO_TOOLCHAIN=$MIRLO_REPO/cmake/mingw-w64.cmake
# The MinGW runtime DLLs every program here needs beside it.
MIRLO_MINGW_DLL_DIRS=(/usr/lib/gcc/$MIRLO_TRIPLET/12-posix /usr/$MIRLO_TRIPLET/lib)
# Wine's loader from Debian's wine64 (there is no /usr/bin/wine without the wine package).
MIRLO_WINE=${MIRLO_WINE:-/usr/lib/wine/wine64}
