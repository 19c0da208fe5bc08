#!/usr/bin/env bash
# Builds Wine 10.0 in new-WoW64 mode (--enable-archs=i386,x86_64) from Debian trixie's
# source package, on Debian 12, as root. The result runs 32-bit AND 64-bit Windows
# programs from one 64-bit Unix process, so it needs no 32-bit Linux support.
#
#   WORK=<scratch dir> PREFIX=<install dir> build_wine_wow64.sh     (STOP_AFTER_CONFIGURE=1 to stop early)
#
# About 35 minutes on 2 cores (make -j2), 1.5 GB of scratch, 650 MB installed.
# Debian's "repack" of the source strips generated files (configure, nls/*.nls,
# server_protocol.h, syscall tables, ...); they are regenerated here as debian/rules does.
set -euo pipefail
WORK=${WORK:?set WORK to a scratch directory}
PREFIX=${PREFIX:?set PREFIX to the install directory}
JOBS=${JOBS:-$(nproc)}
mkdir -p "$WORK" && cd "$WORK" && WORK=$(pwd)

# 1. Build dependencies from Debian 12 itself.
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends \
  gcc-mingw-w64-i686-win32 gcc-mingw-w64-x86-64-posix gcc make flex bison autoconf autotools-dev \
  icoutils imagemagick librsvg2-bin fontforge-nox khronos-api unicode-data gettext unzip bzip2 \
  libxml-libxml-perl libx11-dev libxext-dev libxrender-dev libxfixes-dev libxcomposite-dev \
  libxi-dev libxrandr-dev libxcursor-dev libxinerama-dev libxkbfile-dev libfreetype-dev \
  libfontconfig-dev libgnutls28-dev dpkg-dev zstd >/dev/null

# 2. A private apt configuration for trixie: the source package, and three data packages
#    (IDNA 16, CLDR 46, the Vulkan registry) unpacked here, never installed.
apt_dir=$WORK/apt
mkdir -p "$apt_dir"/{lists/partial,cache/archives/partial,etc/preferences.d}
cat >"$apt_dir/etc/sources.list" <<EOF
deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main
EOF
cat >"$apt_dir/apt.conf" <<EOF
Dir::State "$apt_dir";
Dir::State::Lists "$apt_dir/lists";
Dir::State::status "/var/lib/dpkg/status";
Dir::Cache "$apt_dir/cache";
Dir::Etc::SourceList "$apt_dir/etc/sources.list";
Dir::Etc::SourceParts "/nonexistent";
Dir::Etc::Preferences "$apt_dir/etc/preferences";
Dir::Etc::PreferencesParts "$apt_dir/etc/preferences.d";
APT::Architecture "amd64";
APT::Architectures { "amd64"; };
APT::Sandbox::User "root";
EOF
export APT_CONFIG=$apt_dir/apt.conf
apt-get update -qq
mkdir -p src data
(cd src && apt-get source --download-only -qq wine=10.0~repack-6)
(cd data && apt-get download -qq unicode-idna unicode-cldr-core libvulkan-dev && for f in *.deb; do dpkg -x "$f" root; done)
unset APT_CONFIG
data=$WORK/data/root

# 3. Source and Debian's patches, except its packaging, system zlib and ARM ones.
rm -rf wine-10.0
tar xf src/wine_10.0~repack.orig.tar.xz
tar xf src/wine_10.0~repack-6.debian.tar.xz -C wine-10.0
cd wine-10.0
for p in $(grep -v -E '^(debianization|system|arm)/|^$' debian/patches/series); do
  patch -p1 -s --forward <"debian/patches/$p"
done
sed -i "s|url  => \"/usr/share/unicode/idna\"|url  => \"$data/usr/share/unicode/idna\"|; s|url  => \"/usr/share/unicode/cldr\"|url  => \"$data/usr/share/unicode/cldr\"|" tools/make_unicode
# Maintainer mode (needed to rebuild the stripped icons and fonts) would also force
# gettextpo and -Werror: drop both.
sed -i 's/^  with_gettextpo=yes$/  :/; s/^  enable_werror=yes$/  :/' configure.ac

# 4. Regenerate what the repack strips.
./tools/make_unicode
./tools/make_requests
./tools/make_specfiles
(cd dlls/dsound && ./make_fir)
(cd dlls/opengl32 && ./make_opengl)
(cd dlls/winevulkan && ./make_vulkan -x "$data/usr/share/vulkan/registry/vk.xml" -X "$data/usr/share/vulkan/registry/video.xml")
ln -sf /usr/share/misc/config.sub tools
ln -sf /usr/share/misc/config.guess tools
while read -r from to; do ln -sf "../../$from" "$to"; done <<'LINKS'
dlls/user32/resources/oic_hand.svg dlls/display.drv16/oic_hand.svg
dlls/user32/resources/oic_note.svg dlls/comctl32/idi_tt_info_md.svg
dlls/user32/resources/oic_note.svg dlls/comctl32/idi_tt_info_sm.svg
dlls/user32/resources/oic_bang.svg dlls/comctl32/idi_tt_warn_md.svg
dlls/user32/resources/oic_bang.svg dlls/comctl32/idi_tt_warn_sm.svg
dlls/user32/resources/oic_hand.svg dlls/comctl32/idi_tt_error_md.svg
dlls/user32/resources/oic_hand.svg dlls/comctl32/idi_tt_error_sm.svg
dlls/shell32/resources/move.svg dlls/comctl32/idi_dragarrow.svg
dlls/shell32/resources/image.svg programs/regedit/bin.svg
dlls/shell32/resources/folder.svg programs/regedit/folder.svg
dlls/shell32/resources/document.svg programs/regedit/string.svg
dlls/shell32/resources/mycomputer.svg programs/regedit/computer.svg
dlls/shell32/resources/folder_open.svg programs/regedit/folderopen.svg
dlls/shell32/resources/window.svg programs/taskmgr/window.svg
dlls/shell32/resources/window.svg programs/taskmgr/windowsm.svg
dlls/shell32/resources/drive.svg dlls/comdlg32/hdisk.svg
dlls/shell32/resources/folder.svg dlls/comdlg32/folder.svg
dlls/shell32/resources/network.svg dlls/comdlg32/network.svg
dlls/shell32/resources/folder_open.svg dlls/comdlg32/folder2.svg
dlls/shell32/resources/disk_drive.svg dlls/comdlg32/floppy.svg
dlls/shell32/resources/optical_drive.svg dlls/comdlg32/cdrom.svg
LINKS
autoreconf -fi

# 5. Configure in the source tree (maintainer mode refuses out-of-tree builds), build, install.
./configure --prefix="$PREFIX" --enable-archs=i386,x86_64 --disable-tests --disable-win16 \
  --enable-maintainer-mode --without-gettextpo \
  --without-alsa --without-capi --without-cups --without-dbus --without-ffmpeg --without-gphoto \
  --without-gssapi --without-gstreamer --without-krb5 --without-netapi --without-opencl --without-opengl \
  --without-osmesa --without-oss --without-pcap --without-pcsclite --without-pulse --without-sane \
  --without-sdl --without-udev --without-usb --without-v4l2 --without-vulkan --without-wayland \
  --without-xxf86vm --without-unwind CFLAGS="-O2" CROSSCFLAGS="-O2"
[ -n "${STOP_AFTER_CONFIGURE:-}" ] && exit 0
make -C include -j"$JOBS"
make -j"$JOBS"
make install

# 6. Smaller and relocatable: no headers, import libraries or manuals; stripped.
rm -rf "$PREFIX/include" "$PREFIX/share/man"
find "$PREFIX" -name '*.a' -delete
find "$PREFIX/lib/wine/i386-windows" -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.drv' -o -name '*.sys' -o -name '*.ocx' -o -name '*.cpl' -o -name '*.acm' -o -name '*.ax' -o -name '*.ds' -o -name '*.tlb' \) -exec i686-w64-mingw32-strip --strip-unneeded {} + 2>/dev/null || true
find "$PREFIX/lib/wine/x86_64-windows" -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.drv' -o -name '*.sys' -o -name '*.ocx' -o -name '*.cpl' -o -name '*.acm' -o -name '*.ax' -o -name '*.ds' -o -name '*.tlb' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} + 2>/dev/null || true
find "$PREFIX/lib/wine/x86_64-unix" -type f -name '*.so' -exec strip --strip-unneeded {} + 2>/dev/null || true
strip --strip-unneeded "$PREFIX"/bin/* 2>/dev/null || true
echo "Wine $("$PREFIX/bin/wine" --version) in $PREFIX"
