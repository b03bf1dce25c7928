#!/usr/bin/env bash
# Installs a build into a scratch folder and checks the tree, then makes both
# packages with scripts/package.sh and checks them with lintian, zip's
# listing and the Windows import check.
#   check_install.sh BUILD_DIR PACKAGE_BUILDS_DIR
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: check_install.sh BUILD_DIR PACKAGE_BUILDS_DIR" >&2; exit 64; }
build=$1 builds=$2
src=$(cd "$(dirname "$0")/../.." && pwd)
py=/usr/bin/python3
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in lintian desktop-file-validate groff dpkg-deb i686-w64-mingw32-objdump $py; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/setup.sh test"
done
$py -c 'import PIL' 2>/dev/null || fail "Pillow is missing: run scripts/setup.sh test"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root usr=$scratch/root/usr

echo "== cmake --install"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
for p in quorvish-telnet quorvish-headless; do
  [ -f "$usr/bin/$p" ] && [ -x "$usr/bin/$p" ] || fail "bin/$p is not installed as a program"
done
cmp "$src/README.md" "$usr/share/doc/quorvish-telnet/README.md" || fail "README.md not installed"
desktop=$usr/share/applications/quorvish-telnet.desktop
report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] || fail "desktop entry: $report"
grep -qx 'Exec=quorvish-telnet' "$desktop" || fail "the desktop entry does not start quorvish-telnet"

# The theme holds the icon's one picture, pixel for pixel.
$py -c 'import sys; from PIL import Image; ico, png = Image.open(sys.argv[1]), Image.open(sys.argv[2])
assert ico.size == png.size and ico.convert("RGBA").tobytes() == png.tobytes(), "icon picture differs"' \
  "$src/resources/quorvish.ico" "$usr/share/icons/hicolor/32x32/apps/$(grep -Po '^Icon=\K.*' "$desktop").png"

# Both pages render without a warning; every option the tool's usage names is documented.
for page in quorvish-telnet quorvish-headless; do
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$usr/share/man/man1/$page.1" 2>&1) \
    && [ -z "$warnings" ] || fail "$page.1: ${warnings:-not installed}"
done
usage=$("$usr/bin/quorvish-headless" 2>&1) && fail "quorvish-headless without arguments succeeded"
for option in $(grep -o -- '--[a-z]*' <<<"$usage" | sort -u); do
  grep -qF -- "\\-\\-${option#--}" "$usr/share/man/man1/quorvish-headless.1" || fail "man page lacks $option"
done

echo "== scripts/package.sh"
"$src/scripts/package.sh" --out "$scratch/dist" --builds "$builds"
deb=$(echo "$scratch"/dist/quorvish-telnet_*.deb) zip=$(echo "$scratch"/dist/QuorvishTelnet-*-win32.zip)
[ -f "$deb" ] && [ -f "$zip" ] || fail "package.sh made: $(ls "$scratch/dist")"

echo "== lintian"
report=$(lintian --display-info "$deb" 2>&1) || true
echo "${report:-(no tags)}"
! grep -qE '^[EW]: ' <<<"$report" || fail "lintian reports errors or warnings"
# The package holds the installed tree, its pages compressed, and the Debian files.
diff <(cd "$root" && { find . -type f | sed 's/\.1$/.1.gz/'
        printf './usr/share/doc/quorvish-telnet/%s\n' copyright changelog.gz; } | sort) \
     <(dpkg-deb -c "$deb" | awk '/^-/ { print $6 }' | sort) || fail "the .deb's files differ from the install"

echo "== $(basename "$zip")"
$py - "$zip" "$scratch/QuorvishTelnet.exe" <<'PY'
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert sorted(z.namelist()) == ["QuorvishTelnet.exe", "README.txt"], z.namelist()
text = z.read("README.txt")
assert text.endswith(b"\r\n") and text.count(b"\n") == text.count(b"\r\n"), "README.txt lines not CRLF"
assert b"@VERSION@" not in text, "README.txt without its version"
open(sys.argv[2], "wb").write(z.read("QuorvishTelnet.exe"))
PY
"$src/tests/win/check-imports.sh" "$scratch/QuorvishTelnet.exe"
echo "install and packages: all checks passed"
