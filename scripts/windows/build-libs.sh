#!/usr/bin/env bash
# PortAudio (WASAPI and MME), LAME, mpg123, libcurl (Schannel) and googletest
# cross-built for Windows from Debian's own source packages, installed into
# $MIRLO_WIN64_ROOT/deps. A library already built from the same source version
# by the same recipe is skipped (deps/.built/<name> records both).
set -eEuo pipefail
source "$(dirname "$0")/env.sh"
DEPS=$MIRLO_WIN64_ROOT/deps
WORK=$MIRLO_WIN64_ROOT/work
mkdir -p "$DEPS/.built" "$WORK/apt/lists/partial"
JOBS=$(nproc)
HOST=$MIRLO_TRIPLET
export CC=$HOST-gcc-posix CXX=$HOST-g++-posix AR=$HOST-ar RANLIB=$HOST-ranlib RC=$HOST-windres
export PKG_CONFIG_LIBDIR=$DEPS/lib/pkgconfig

# Source packages from the same Debian archive as the machine's binary
# packages, through a private source list: the machine's own stays as it is.
cat > "$WORK/src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
APT=(-o Dir::Etc::SourceList="$WORK/src.sources" -o Dir::Etc::SourceParts=/dev/null
  -o Dir::State::Lists="$WORK/apt/lists")
LISTS_FRESH=no
# A failed build shows the end of its logs; its folder stays in $WORK.
trap 'grep -h -m 20 -iE "error|cannot|not found" configure.log make.log 2>/dev/null; echo "failed in $PWD" >&2; exit 1' ERR

# The newest version of a source package in the archive.
source_version() {
  if [ "$LISTS_FRESH" = no ]; then
    apt-get "${APT[@]}" update -qq
    LISTS_FRESH=yes
  fi
  apt-cache "${APT[@]}" showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -1
}

# Downloads and unpacks (Debian's patches applied) into $WORK/<name>/src.
unpack_source() {
  local name=$1 version=$2
  rm -rf "$WORK/$name" && mkdir -p "$WORK/$name" && cd "$WORK/$name"
  # The archive lacks some upstream signatures (.asc) that a .dsc lists; apt
  # has checked every file it did fetch against the signed index already.
  apt-get "${APT[@]}" source --download-only -qq "$name=$version" 2>/dev/null ||
    ls ./*.dsc ./*.orig.tar.* >/dev/null
  for listed in $(sed -n 's/^ [0-9a-f]\{64\} [0-9]* //p' ./*.dsc); do
    [ -e "$listed" ] || sed -i "/ ${listed//./\\.}\$/d" ./*.dsc
  done
  dpkg-source --no-check -x ./*.dsc src >/dev/null
  cd src
}

build_portaudio19() {
  # 19.6 takes MinGW-w64 for the old MinGW: its WASAPI code then includes
  # neither the system's headers nor (as NTDDI_VERSION is defined) its own.
  # Use MinGW-w64's headers, by their lower-case names, as later PortAudio does.
  sed -i -e 's/^#if defined(_MSC_VER) && (_MSC_VER >= 1400)\s*$/#if (defined(_MSC_VER) \&\& (_MSC_VER >= 1400)) || defined(__MINGW64_VERSION_MAJOR)/' \
    -e 's/<Avrt.h>/<avrt.h>/; s/<Audioclient.h>/<audioclient.h>/' \
    -e 's/<functiondiscoverykeys.h>/<functiondiscoverykeys_devpkey.h>/' src/hostapi/wasapi/pa_win_wasapi.c
  rm -f src/hostapi/wasapi/mingw-include/*.h
  # The autotools build: it chooses host APIs by name and writes portaudio-2.0.pc.
  # Told of a C++ compiler, its libtool names the libraries as MSVC does and
  # installs the import library in the DLL's place: C alone.
  env -u CXX ./configure --host="$HOST" --prefix="$DEPS" --with-winapi=wmme,wasapi \
    --enable-shared --disable-static >configure.log
  # The library alone: its test programs take longer than it does.
  make -j"$JOBS" lib/libportaudio.la >make.log
  make install >/dev/null
}

build_lame() {
  # The library only; static, as Debian's export list names a function the
  # Windows library does not have.
  ./configure --host="$HOST" --prefix="$DEPS" --disable-frontend --disable-decoder \
    --enable-static --disable-shared --disable-gtktest >configure.log
  make -j"$JOBS" -C libmp3lame >make.log
  make -C libmp3lame install >/dev/null
  make -C include install >/dev/null
}

build_mpg123() {
  ./configure --host="$HOST" --prefix="$DEPS" --disable-components --enable-libmpg123 \
    --enable-shared --disable-static >configure.log
  make -j"$JOBS" >make.log
  make install >/dev/null
}

build_curl() {
  # HTTP and HTTPS through Windows' own TLS (Schannel); no other protocol,
  # no library Windows does not have.
  cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$MIRLO_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$DEPS" -DBUILD_SHARED_LIBS=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DENABLE_MANUAL=OFF \
    -DHTTP_ONLY=ON -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none >configure.log
  cmake --build build -j"$JOBS" >make.log
  cmake --install build >/dev/null
}

build_googletest() {
  cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$MIRLO_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$DEPS" -DBUILD_GMOCK=OFF >configure.log
  cmake --build build -j"$JOBS" >make.log
  cmake --install build >/dev/null
}

# build <source package>: skipped when built already from that version by this recipe.
build() {
  local name=$1 version recipe stamp
  recipe=$(declare -f "build_$name" | sha256sum | cut -c1-16)
  if [ "$name" = googletest ]; then
    # Debian's googletest package ships its sources: the machine's own version.
    version=$(dpkg-query -W -f='${Version}' googletest)
  else
    version=$(source_version "$name")
  fi
  stamp="$DEPS/.built/$name"
  if [ "$(cat "$stamp" 2>/dev/null)" = "$version $recipe" ]; then
    echo "$name $version: built already"
    return
  fi
  echo "$name $version: building"
  local start=$SECONDS
  if [ "$name" = googletest ]; then
    rm -rf "$WORK/googletest" && mkdir -p "$WORK/googletest"
    cp -r /usr/src/googletest "$WORK/googletest/src" && cd "$WORK/googletest/src"
  else
    unpack_source "$name" "$version"
  fi
  "build_$name"
  echo "$version $recipe" >"$stamp"
  rm -rf "$WORK/$name"
  echo "$name $version: built in $((SECONDS - start)) s"
}

for name in ${MIRLO_WIN64_LIBS:-portaudio19 lame mpg123 curl googletest}; do
  build "$name"
done
