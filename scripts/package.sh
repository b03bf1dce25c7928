#!/usr/bin/env bash
# Builds the release packages into dist/, each from its own Release build:
#   quorvish-telnet_<version>_<arch>.deb  both Linux programs, menu entry, icon,
#                                         manual pages (build-package)
#   QuorvishTelnet-<version>-win32.zip    QuorvishTelnet.exe and README.txt
#                                         (build-package-win)
# The version is the program's, from resources/resource.h.
#
#   scripts/package.sh [--out DIR] [--builds DIR]
#     --out DIR     where the packages go (dist/ unless given)
#     --builds DIR  where the two build folders go (the top of the tree unless given)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/dist
builds=$root

die() { echo "package.sh: $*" >&2; exit 1; }
usage() { echo "usage: scripts/package.sh [--out DIR] [--builds DIR]" >&2; exit 64; }
while [ $# -gt 0 ]; do
  case $1 in
    --out) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    --builds) [ $# -ge 2 ] || usage; builds=$2; shift 2 ;;
    *) usage ;;
  esac
done
mkdir -p "$out" "$builds" || die "cannot make $out and $builds"
out=$(realpath "$out")
builds=$(realpath "$builds")

scripts/setup.sh package || die "scripts/setup.sh package failed"

arch=$(dpkg --print-architecture)
jobs=$(nproc 2>/dev/null || echo 2)
umask 022
# Dates inside the packages are the last commit's: the same tree gives the same files.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

linux=$builds/build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
scripts/configure.sh release "$linux" -DQUORVISH_TESTS=OFF || die "Linux configure failed"
# The version CMake read from resources/resource.h.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
[ -n "$version" ] || die "no version in $linux/CMakeCache.txt"
echo "== Linux build, version $version ($arch)"
cmake --build "$linux" -j"$jobs" --target quorvish-telnet quorvish-headless quorvish-icons \
  || die "Linux build failed"

stage=$work/debian/quorvish-telnet
DESTDIR=$stage cmake --install "$linux" >/dev/null || die "install into $stage failed"
doc=$stage/usr/share/doc/quorvish-telnet
strip --remove-section=.comment --remove-section=.note "$stage"/usr/bin/*
gzip -9n "$stage"/usr/share/man/man1/*.1
cp packaging/copyright "$doc/copyright"
{
  printf 'quorvish-telnet (%s) unstable; urgency=medium\n\n' "$version"
  printf '  * QuorvishTelnet %s; README.md in this folder says what it does.\n\n' "$version"
  printf ' -- QuorvishTelnet developers <developers@quorvish-telnet.test>  %s\n' \
    "$(LC_ALL=C date -R -u -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$doc/changelog.gz"

# Depends: the packages of the libraries the programs link; libgl1, whose
# libGL.so.1 SDL opens at run time for the GLX context; the outline font.
# dpkg-shlibdeps wants a debian/control and finds the package by its DEBIAN.
mkdir "$stage/DEBIAN"
printf 'Source: quorvish-telnet\n\nPackage: quorvish-telnet\nArchitecture: any\n' >"$work/debian/control"
shlibs=$(cd "$work" && dpkg-shlibdeps -O -edebian/quorvish-telnet/usr/bin/quorvish-telnet \
         -edebian/quorvish-telnet/usr/bin/quorvish-headless) || die "dpkg-shlibdeps failed"
shlibs=${shlibs#shlibs:Depends=}
[ -n "$shlibs" ] || die "dpkg-shlibdeps found no libraries"
size=$(find "$stage/usr" \( -type f -printf '%s\n' \) -o -printf '1024\n' |
       awk '{ k += int(($1 + 1023) / 1024) } END { print k }')

cat >"$stage/DEBIAN/control" <<CONTROL
Package: quorvish-telnet
Version: $version
Architecture: $arch
Maintainer: QuorvishTelnet developers <developers@quorvish-telnet.test>
Installed-Size: $size
Depends: $shlibs, libgl1, fonts-liberation2
Section: net
Priority: optional
Description: telnet client that shows the terminal as an animated 3D scene
 QuorvishTelnet connects to a telnet host and shows its terminal, 80
 columns by 20 rows, in one of two OpenGL views: yellow outline letters on
 a page tilted back into fog over a turning field of stars, or a digital
 rain whose green drops reveal the text as they fall. A 3D start menu
 picks the view, the window shape and the host.
 .
 The package also holds quorvish-headless, which runs the same terminal
 core without a window and prints the terminal's state, for scripts and
 for seeing what a host sends.
CONTROL
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage"/usr/bin/*
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
deb=$out/quorvish-telnet_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null || die "dpkg-deb failed"

echo "== Windows build (mingw-w64 i686)"
win=$builds/build-package-win
scripts/configure.sh win32 "$win" -DQUORVISH_TESTS=OFF || die "Windows configure failed"
cmake --build "$win" -j"$jobs" --target QuorvishTelnet || die "Windows build failed"

files=$work/zip
mkdir "$files"
i686-w64-mingw32-strip -o "$files/QuorvishTelnet.exe" "$win/app/QuorvishTelnet.exe"
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' packaging/README-windows.txt >"$files/README.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$files"/*
zip=$out/QuorvishTelnet-$version-win32.zip
rm -f "$zip"
(cd "$files" && zip -q -X -9 "$zip" QuorvishTelnet.exe README.txt) || die "zip failed"

echo "== Packages"
ls -l "$deb" "$zip"
