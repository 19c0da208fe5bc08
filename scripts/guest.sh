# Sourced: an emulated PC (qemu-system-x86_64) for running 32-bit Windows code
# where this machine's kernel refuses it. The guest boots Debian's own kernel
# with a busybox initramfs of ours, sees this machine's files read-only with a
# tmpfs on top, and runs one job script there as root.
#   guest_dir                 where setup keeps the guest's kernel and initramfs
#   prepare_guest             unpack the kernel package and build the initramfs, once
#   run_in_guest LIMIT JOB    run the script JOB in the guest, its output here;
#                             with $KORVANI_GUEST_OUT (a folder of this machine)
#                             writable from the guest. Status: the job's; 124 and
#                             one line when the guest was stopped at LIMIT seconds
#   want_guest                whether the i686 release runs in the guest here

guest_modules="virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci netfs fscache 9pnet 9pnet_virtio 9p overlay"

guest_dir() {
    echo "$(korvani_cache_dir)/qemu-guest"
}

# The guest's kernel: the one Debian's linux-image-amd64 names, unpacked, not installed.
prepare_guest() {
    local dir package deb work m
    dir=$(guest_dir)
    [ "$dir/initrd.gz" -nt "$(dirname "${BASH_SOURCE[0]}")/guest/init" ] && [ -f "$dir/vmlinuz" ] && return 0
    package=$(apt-cache depends linux-image-amd64 | sed -n 's/.*Depends: \(linux-image-[0-9].*\)$/\1/p' | head -n 1)
    [ -n "$package" ] || { echo "No kernel package named by linux-image-amd64" >&2; return 1; }
    work=$(mktemp -d /tmp/korvani-guest-build.XXXXXX)
    (cd "$work" && apt-get -o APT::Sandbox::User=root download "$package" >/dev/null) || { rm -rf "$work"; return 1; }
    deb=$(ls "$work"/*.deb)
    dpkg-deb -x "$deb" "$work/kernel"
    mkdir -p "$work/initrd/bin" "$work/initrd/mods" "$work/initrd/"{proc,sys,dev,host,rw,newroot}
    cp /bin/busybox "$work/initrd/bin/"
    cp "$(dirname "${BASH_SOURCE[0]}")/guest/init" "$work/initrd/init"
    chmod +x "$work/initrd/init"
    for m in $guest_modules; do
        local file
        file=$(find "$work/kernel/lib/modules" -name "$m.ko*" | head -n 1)
        [ -n "$file" ] || { echo "The kernel package has no module $m" >&2; rm -rf "$work"; return 1; }
        case "$file" in
            *.xz) xz -dc "$file" >"$work/initrd/mods/$m.ko" ;;
            *) cp "$file" "$work/initrd/mods/$m.ko" ;;
        esac
        echo "$m" >>"$work/initrd/mods/order"
    done
    mkdir -p "$dir"
    (cd "$work/initrd" && find . | cpio -o -H newc --quiet | gzip) >"$dir/initrd.gz.new"
    cp "$work"/kernel/boot/vmlinuz-* "$dir/vmlinuz"
    mv "$dir/initrd.gz.new" "$dir/initrd.gz"
    rm -rf "$work"
}

# Where the kernel refuses 32-bit code, or where KORVANI_E2E_GUEST=yes asks for it.
want_guest() {
    [ "${KORVANI_E2E_GUEST:-}" = yes ] && return 0
    ! kernel_runs_32bit_code >/dev/null
}

run_in_guest() {
    local limit=$1 job=$2 dir out accel status
    dir=$(guest_dir)
    if [ ! -f "$dir/initrd.gz" ]; then
        echo "The emulated PC could not start: no guest in $dir (run scripts/setup.sh)."
        return 1
    fi
    out=${KORVANI_GUEST_OUT:-$(mktemp -d /tmp/korvani-guest-out.XXXXXX)}
    # Plain emulation: where these machines have a /dev/kvm, qemu fails to set up its CPU.
    accel="-accel tcg,thread=multi"
    # SMAP off: with it the guest kernel oopses on Wine's return to user mode.
    local log
    log=$(mktemp /tmp/korvani-guest.XXXXXX.log)
    timeout --foreground -k 10 "$limit" qemu-system-x86_64 -cpu max,smap=off -m 6144 -smp 2 $accel \
        -nodefaults -display none -no-reboot -serial stdio \
        -kernel "$dir/vmlinuz" -initrd "$dir/initrd.gz" \
        -append "console=ttyS0 quiet loglevel=1 panic=-1 korvani.job=$job korvani.out=$out" \
        -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
        -virtfs "local,path=$out,mount_tag=out,security_model=none" </dev/null 2>&1 |
        sed -u 's/\r//g' | tee "$log" | grep --line-buffered -v -e '^korvani-guest: job status' -e 'reboot: Power down'
    status=${PIPESTATUS[0]}
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        echo "The emulated PC was stopped after $limit seconds: the job hung or the guest did not boot."
        rm -f "$log"
        return 124
    fi
    status=$(sed -n 's/^korvani-guest: job status \([0-9]*\)$/\1/p' "$log" | tail -n 1)
    rm -f "$log"
    if [ -z "$status" ]; then
        echo "The emulated PC ended without finishing its job: it failed to boot or to mount this machine's files."
        return 1
    fi
    return "$status"
}
