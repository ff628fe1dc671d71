#!/bin/sh
# Installs one library package of this build into a scratch prefix, then builds and runs a
# small program against it twice: once with pkg-config, once through its CMake package.
# Usage: install_check.sh BUILD_DIR CXX SANITIZE PACKAGE PROGRAM.cpp [AFTER.sh]
# AFTER.sh, when given, runs last with the prefix as its argument.
set -eu
build=$1 cxx=$2 sanitize=$3 package=$4 program=$5 after=${6:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" --component "$package" >/dev/null
pc=$(find "$prefix" -name "lib$package.pc" | head -n 1)
[ -n "$pc" ] || { echo "no lib$package.pc installed"; exit 1; }
libdir=$(dirname "$(dirname "$pc")")

flags=""
[ -z "$sanitize" ] || flags="-fsanitize=$sanitize"

# shellcheck disable=SC2046  # pkg-config output is meant to split into words
"$cxx" -std=c++20 $flags -o "$work/with_pkgconfig" "$program" \
    $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs "lib$package")
LD_LIBRARY_PATH="$libdir" "$work/with_pkgconfig"
echo "pkg-config build of $(basename "$program") ran"

mkdir "$work/cmake_user"
cat > "$work/cmake_user/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.20)
project(user CXX)
find_package($package REQUIRED CONFIG)
add_executable(with_cmake "$program")
target_compile_features(with_cmake PRIVATE cxx_std_20)
target_link_libraries(with_cmake PRIVATE $package::$package)
CMAKE
cmake -S "$work/cmake_user" -B "$work/cmake_build" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$work/cmake_build" >/dev/null
"$work/cmake_build/with_cmake"
echo "find_package($package) build of $(basename "$program") ran"

[ -z "$after" ] || sh "$after" "$prefix"
