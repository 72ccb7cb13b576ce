#!/usr/bin/env bash
# Checks the packages in build/packages (or the folder given): their file lists, lintian, the
# desktop entries and AppStream files, and the programs extracted with dpkg -x, configured by
# the common package's postinst and started on the offscreen platform as normal users in the
# installed layout. Runs as root, in a mount namespace of its own: there the extracted /etc and
# /var/lib stand in for the machine's, which nothing changes.
set -euo pipefail
[ -n "${EXAMSUITE_CHECK_NAMESPACE:-}" ] ||
    exec unshare --mount --propagation private env EXAMSUITE_CHECK_NAMESPACE=1 "$0" "$@"
cd "$(dirname "$0")/.."
packages=$(realpath "${1:-build/packages}")
deb() { ls "$packages"/examsuite-"$1"_*.deb; }
work=$(mktemp -d /tmp/examsuite-packages-XXXXXX)
cleanup() {
    umount /etc/examsuite /etc /var/lib 2>/dev/null || true
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

contents() { dpkg-deb --fsys-tarfile "$(deb "$1")" | tar -t | sed 's|^\./|/|; s|/$||'; }
expect() { # expect PACKAGE PATH... : each path is in the package
    local package=$1 list
    shift
    list=$(contents "$package")
    for path in "$@"; do
        grep -Fxq -- "$path" <<<"$list" || fail "$package lacks $path"
    done
}
forbid() { # forbid PACKAGE PATTERN : no path of the package matches the pattern
    local found
    found=$(contents "$1" | grep -E -- "$2" || true)
    [ -z "$found" ] || fail "$1 holds $found"
}

lib=/usr/lib/examsuite
expect desk /usr/bin/exam $lib/exam /usr/share/applications/org.examsuite.Exam.desktop \
    /usr/share/icons/hicolor/scalable/apps/org.examsuite.Exam.svg \
    /usr/share/icons/hicolor/48x48/apps/org.examsuite.Exam.png \
    /usr/share/metainfo/org.examsuite.Exam.metainfo.xml \
    /usr/share/doc/examsuite-desk/copyright /usr/share/doc/examsuite-desk/changelog.gz
forbid desk 'paperbuilder|tallyboard|examdb|demo-papers|\.mqe$'
expect admin /usr/bin/tallyboard /usr/bin/paperbuilder /usr/bin/examdb $lib/tallyboard \
    $lib/paperbuilder $lib/examdb "$lib/列项属性.txt" /etc/examsuite/列项属性.txt \
    /usr/share/applications/org.examsuite.Tallyboard.desktop \
    /usr/share/applications/org.examsuite.Paperbuilder.desktop \
    /usr/share/metainfo/org.examsuite.Tallyboard.metainfo.xml \
    /usr/share/doc/examsuite-admin/copyright /usr/share/doc/examsuite-admin/changelog.gz
forbid admin "^$lib/exam$|/var/lib"
expect common /etc/examsuite/DBConifg.ini "$lib/DBConifg.ini" "$lib/Exam File" \
    "/var/lib/examsuite/Exam File" /usr/share/doc/examsuite-common/copyright
forbid common '\.mqe$'
[ "$(ls "$packages"/*.tar.gz | wc -l)" -eq 3 ] || fail "not one .tar.gz per package"
for package in desk admin common; do
    archive=$(ls "$packages"/examsuite-"$package"_*.tar.gz)
    diff <(contents "$package" | grep -v '^\.\?$' | sed 's|^/||' | sort) \
        <(tar -tzf "$archive" | sed 's|^\./||; s|/$||' | grep -v '^$' | sort) >/dev/null ||
        fail "$archive does not hold the files of the $package package"
done

echo "lintian:"
lintian --fail-on error,warning --info "$packages"/*.deb || fail "lintian"

root=$work/root
for package in desk admin common; do dpkg -x "$(deb "$package")" "$root"; done
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
done
for metainfo in "$root"/usr/share/metainfo/*.xml; do
    appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli $metainfo"
done

config=/etc/examsuite/DBConifg.ini
[ "$(stat -c '%a' "$root$config")" = 640 ] || fail "$config is not packaged with mode 0640"

# The extracted tree stands in for the machine's /etc/examsuite and /var/lib (with a copy of
# the statoverride list), and a copy of /etc for the group that postinst adds.
cp -a /etc "$work/etc"
install -d "$root/var/lib/dpkg" "$work/etc/examsuite"
cp /var/lib/dpkg/statoverride "$root/var/lib/dpkg/"
mount --bind "$work/etc" /etc
mount --bind "$root/etc/examsuite" /etc/examsuite
mount --bind "$root/var/lib" /var/lib
dpkg-deb --ctrl-tarfile "$(deb common)" | tar -x -C "$work" ./postinst
sh "$work/postinst" configure || fail "postinst configure"
[ "$(stat -c '%a %U:%G' "$config")" = "640 root:examsuite" ] ||
    fail "$config is $(stat -c '%a %U:%G' "$config") after postinst, not 640 root:examsuite"

# The shipped configuration names the demo databases, which examdb demo creates in the folder
# that postinst made for the group.
"$root$lib/examdb" demo >/dev/null
[ -n "$(ls "/var/lib/examsuite/Exam File")" ] || fail "examdb demo copied no paper"
"$root$lib/examdb" check >/dev/null || fail "examdb check on the demo database"

# Normal users, whose program folder and /etc are read-only: a desk's user in the group
# examsuite, and one outside it.
user=nobody
home=$work/home
install -d -o "$user" "$home"
chmod a+rx "$work"
chmod a-w "$root$lib" "$root/etc/examsuite"
as_user() { setpriv --reuid="$user" --regid=nogroup --clear-groups -- env HOME="$home" \
    XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen "$@"; }
as_member() { setpriv --reuid="$user" --regid=nogroup --groups=examsuite -- env HOME="$home" \
    XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen "$@"; }
for program in exam tallyboard paperbuilder; do
    # Still running after some seconds: it started and waits for its user.
    status=0
    as_member timeout 6 "$root$lib/$program" >"$work/$program.log" 2>&1 || status=$?
    [ "$status" -eq 124 ] || { cat "$work/$program.log"; fail "$program ended with $status"; }
done
as_user "$root$lib/examdb" --help | grep -q 'Usage' || fail "examdb --help"
status=0
as_user "$root$lib/examdb" check >/dev/null 2>"$work/outsider.log" || status=$?
[ "$status" -eq 1 ] && grep -q "无法读取配置文件 $config.*用户组 examsuite" "$work/outsider.log" ||
    { cat "$work/outsider.log"; fail "examdb check outside the group examsuite ended with $status"; }
exit $failed
