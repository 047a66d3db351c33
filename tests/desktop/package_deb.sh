#!/usr/bin/env bash
# The Debian package as a user installs it: made by `cpack -G DEB` from the
# build folder, unpacked with dpkg-deb, its programs run from the unpacked
# tree, its metadata and files checked, and lintian without errors.
# Usage: package_deb.sh BUILD_DIR OUTDIR VERSION
set -u
build=$1; out=$2; version=$3
fail() { echo "FAIL: $*"; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps file gzip desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
rm -rf "$out"; mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; fail "cpack"; }
deb=$(ls "$out"/yotsumado_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no .deb in $out"
case "$(basename "$deb")" in "yotsumado_${version}_amd64.deb"|"yotsumado_${version}_"*.deb) ;; *) fail "package file name $(basename "$deb")";; esac

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = yotsumado ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
depends=$(field Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libc6 fonts-ipafont-gothic qt6-qpa-plugins libqt6svg6; do
  grep -Eq "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
grep -q 'qt6-wayland' <<<"$(field Recommends)" || fail "Recommends lacks qt6-wayland"
description=$(field Description)
[ "$(wc -l <<<"$description")" -ge 3 ] || fail "no extended description: $description"

tree=$out/root
dpkg-deb -x "$deb" "$tree" || fail "dpkg-deb -x"
for f in usr/bin/yotsumado usr/bin/yotsumado-compose \
         usr/share/applications/yotsumado.desktop \
         usr/share/icons/hicolor/scalable/apps/yotsumado.svg \
         usr/share/metainfo/com.example.yotsumado.metainfo.xml \
         usr/share/man/man1/yotsumado.1.gz usr/share/man/man1/yotsumado-compose.1.gz \
         usr/share/doc/yotsumado/copyright usr/share/doc/yotsumado/changelog.gz; do
  [ -f "$tree/$f" ] || fail "missing $f"
done
for f in usr/share/man/man1/yotsumado.1.gz usr/share/man/man1/yotsumado-compose.1.gz usr/share/doc/yotsumado/changelog.gz; do
  gzip -t "$tree/$f" || fail "$f is not gzip"
done
for b in yotsumado yotsumado-compose; do
  info=$(file -b "$tree/usr/bin/$b")
  grep -q ', stripped' <<<"$info" || fail "$b is not stripped: $info"
done
extra=$(cd "$tree" && find . -type f | grep -Ev '^\./usr/(bin|share/(applications|icons|metainfo|man|doc))/' |
  grep -vx './usr/lib/yotsumado/libyotsumado_formats.so' || true)
[ -z "$extra" ] || fail "unexpected files: $extra"

# Both programs run from the unpacked tree (they need no display for this).
v=$(env -u DISPLAY -u WAYLAND_DISPLAY "$tree/usr/bin/yotsumado" --version) || fail "yotsumado --version"
[ "$v" = "yotsumado $version" ] || fail "yotsumado --version said: $v"
v=$(env -u DISPLAY -u WAYLAND_DISPLAY "$tree/usr/bin/yotsumado-compose" --version) || fail "yotsumado-compose --version"
[ "$v" = "yotsumado-compose $version" ] || fail "yotsumado-compose --version said: $v"
env -u DISPLAY -u WAYLAND_DISPLAY "$tree/usr/bin/yotsumado-compose" -o "$out/empty.jpg" >/dev/null 2>&1 || fail "compose from the package"
[ "$(head -c 2 "$out/empty.jpg" | od -An -tx1 | tr -d ' ')" = ffd8 ] || fail "compose wrote no JPEG"
# The HEIF decoder is in the package's own module, found beside the program.
echo junk >"$out/junk.heic"
said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$tree/usr/bin/yotsumado-compose" -o "$out/heif.jpg" "$out/junk.heic" 2>&1)
grep -q 'HEIF イメージが不正です' <<<"$said" || fail "HEIF from the package: $said"

# The desktop files as the desktop reads them.
desktop=$tree/usr/share/applications/yotsumado.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=yotsumado %F' "$desktop" || fail "Exec line"
grep -qx 'MimeType=image/jpeg;image/bmp;image/png;image/webp;image/heic;image/heif;image/avif;image/tiff;image/gif;image/jxl;' "$desktop" || fail "MimeType line"
grep -qx 'Name=Yotsumado' "$desktop" || fail "Name line"
grep -qx 'Name\[ja\]=ヨツマド' "$desktop" || fail "Name[ja] line"
grep -q '^Keywords=' "$desktop" || fail "no Keywords"
appstreamcli validate --no-net "$tree/usr/share/metainfo/com.example.yotsumado.metainfo.xml" || fail "appstreamcli validate"
icon=$tree/usr/share/icons/hicolor/scalable/apps/yotsumado.svg
grep -q '<text' "$icon" && fail "the icon draws text"
grep -Eq '<svg[^>]* width="([0-9]+)" height="\1"' "$icon" || fail "the icon is not square"

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$out/lintian.log" 2>&1
  grep '^E:' "$out/lintian.log" && fail "lintian reports errors (see $out/lintian.log)"
  grep -E '^(W|E):' "$out/lintian.log" | sed 's/^/lintian: /'
else
  echo "note: lintian not installed, not run"
fi
echo "PASS: package $(basename "$deb")"
