# Windows x86_64 from Linux with Debian's MinGW-w64 (posix thread model, which
# Qt and std::thread need). Qt and the libraries are looked for under
# MIRLO_WIN64_ROOT (qt6/ and deps/), the toolchain's own under /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(PKG_CONFIG_EXECUTABLE ${MINGW_TRIPLET}-pkg-config CACHE FILEPATH "pkg-config of the target")

if(NOT MIRLO_WIN64_ROOT)
  if(DEFINED ENV{MIRLO_WIN64_ROOT})
    set(MIRLO_WIN64_ROOT $ENV{MIRLO_WIN64_ROOT})
  else()
    set(MIRLO_WIN64_ROOT /opt/mirlo-win64)
  endif()
endif()
# try_compile projects get the toolchain file again, with the same root.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MIRLO_WIN64_ROOT)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${MIRLO_WIN64_ROOT})
list(APPEND CMAKE_PREFIX_PATH ${MIRLO_WIN64_ROOT}/qt6 ${MIRLO_WIN64_ROOT}/deps)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's build tools (moc, rcc, uic) are the host's: Debian's, the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# pkg-config sees the target's .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} ${MIRLO_WIN64_ROOT}/deps/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
