#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine (as root) and for every later run:
#   bash build.sh test          install what is missing, build, run every test under Wine
#   bash build.sh run [FILE]    install what is missing, build, start Varnel under Wine
#   bash build.sh build         install what is missing and build only
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"
build_dir="$here/build"
mode=${1:-test}
shift || true

# fonts-wine gives Wine its Marlett (the glyphs of the window frame's buttons) and the CJK font
# lets the windows show Japanese, Chinese and Korean text instead of boxes.
packages=(mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64
          fonts-wine fonts-wqy-microhei xvfb xauth cmake ninja-build googletest python3 libxml2-utils)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Some hosts (kernels without 32-bit user code) cannot run the 32-bit Wine loader at all. There
# the same sources are also built for 64-bit Windows and the tests run from that build under
# wine64; the programs for users are always the 32-bit ones in build/.
host_runs_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

build_tree() { # dir toolchain
  if [ ! -f "$1/build.ninja" ]; then
    cmake -S "$here" -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$2" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$1" -- -j"${JOBS:-$(nproc)}"
}

configure_and_build() {
  build_tree "$build_dir" mingw-i686.cmake
  if host_runs_32bit; then
    test_dir=$build_dir
    export WINE=wine
  else
    test_dir=$build_dir/x64
    build_tree "$test_dir" mingw-x86_64.cmake
    export WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
    export WINESERVER=/usr/lib/wine/wineserver64
  fi
}

# The checked build of the index engine, for the test command: the builder's invariants asserted
# and its integrity walks run, in a tree of its own that holds only the engine's tests and
# index_bench.
checked_dir=$build_dir/checked
build_checked() {
  local toolchain=mingw-i686.cmake
  host_runs_32bit || toolchain=mingw-x86_64.cmake
  if [ ! -f "$checked_dir/build.ninja" ]; then
    cmake -S "$here" -B "$checked_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DINDEX_CHECKED=ON >/dev/null
  fi
  cmake --build "$checked_dir" --target tmx_engine_tests index_bench -- -j"${JOBS:-$(nproc)}"
}

# A fresh Wine prefix for each run, a pinned locale, no proxy, and one wineserver kept alive
# for the whole run so that each test program starts quickly.
start_wine() {
  unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY no_proxy NO_PROXY
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/wineprefix.XXXXXX)
  trap '"${WINESERVER:-wineserver}" -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
  "${WINESERVER:-wineserver}" -p
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  # This Wine does not load the TrueType fonts of its data folder: the prefix gets Marlett, which
  # draws the frame's buttons. The interface fonts link to the CJK font, so that Japanese,
  # Chinese and Korean text falls back to it instead of boxes.
  cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  for face in Tahoma "Microsoft Sans Serif"; do
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
  done
  # A program that crashes ends at once with its failure instead of waiting in Wine's crash
  # dialog until ctest's time-out.
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1 || true
}

install_missing
configure_and_build

case "$mode" in
  build) ;;
  test)
    # Wine must boot inside the X session, or its desktop starts without a display and no
    # window can be created.
    if [ -z "${DISPLAY:-}" ]; then
      exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" test "$@"
    fi
    # The whole suite (no ctest arguments) takes the checked build too.
    [ $# -gt 0 ] || build_checked
    start_wine
    status=0
    ctest --test-dir "$test_dir" --output-on-failure -j"$(nproc)" "$@" || status=$?
    # Once more with the tests of each program in a shuffled order (a fixed seed, so that a
    # failure can be run again): no test may depend on what an earlier one left behind.
    echo "Shuffled run (--gtest_shuffle, seed 2):"
    GTEST_SHUFFLE=1 GTEST_RANDOM_SEED=2 ctest --test-dir "$test_dir" --output-on-failure -j"$(nproc)" "$@" ||
      status=$?
    if [ $# -eq 0 ]; then
      echo "The checked build of the index engine:"
      ctest --test-dir "$checked_dir" --output-on-failure -j"$(nproc)" \
        -R '^(tmx_engine_tests|index_bench_threads)$' || status=$?
    fi
    exit "$status"
    ;;
  run)
    target=${1:-$here/samples/sample.tmx}
    exec_path="$test_dir/Varnel.exe"
    if [ ! -f "$exec_path" ]; then
      echo "Varnel.exe has not been built yet." >&2
      exit 1
    fi
    if [ -z "${DISPLAY:-}" ]; then
      exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" run "$target"
    fi
    start_wine
    # Varnel takes a Windows path: a Unix one would be read as a path on drive C:.
    target_path=$("$WINE" winepath -w "$(realpath "$target")" 2>/dev/null | tr -d '\r')
    "$WINE" "$exec_path" "${target_path:-$target}"
    ;;
  *)
    echo "usage: bash build.sh [test|run [FILE]|build]" >&2
    exit 2
    ;;
esac
