#!/usr/bin/env bash
# The tool set installed with cmake --install into a scratch DESTDIR:
#  - the install holds every file it should and nothing else;
#  - the installed programs run with the build and source trees out of reach
#    (hidden under empty file systems in a mount namespace of their own);
#  - each manual page reads without warnings and names the options and exit
#    statuses that its program's --help names;
#  - installed Kvintor, started by an ordinary user on a port that user may
#    not open, writes the dialout hint to standard error and to the report
#    log in the user's data folder, and nothing into the installed folders.
#
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# ---------------------------------------------------------------- checks of the installed programs

# kvintor --version etc.: one line, the program's name and the version.
check_versions_and_help() {
    local bin=$1 version=$2 p out
    for p in kvintor fermel lumeta kline-sim kline kvintor-uninstall; do
        out=$("$bin/$p" --version) || fail "$p --version ended with $?"
        [ "$out" = "$p $version" ] || fail "$p --version printed '$out'"
        out=$("$bin/$p" --help) || fail "$p --help ended with $?"
        case "$out" in
        "usage: $p"*) ;;
        *) fail "$p --help printed: $(head -n 2 <<<"$out")" ;;
        esac
    done
}

options_of() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
# "0", "64", "1-6" at the start of the lines of --help's "Exit status:".
help_statuses() {
    sed -n '/^Exit status:/,$p' | grep -oE '^ +[0-9]+(-[0-9]+)?' |
        awk -F- '{ if (NF == 2) { for (i = $1 + 0; i <= $2; ++i) print i } else print $1 + 0 }' | sort -n
}
man_statuses() { sed -n '/^EXIT STATUS/,/^[A-Z]/p' | grep -oE '^ {7}[0-9]+' | awk '{ print $1 + 0 }' | sort -n; }

# Each manual page reads without a warning and tells the same options and
# exit statuses as --help; kline-sim's also every command of its console.
check_manual_pages() {
    local prefix=$1 p page help text warnings
    for p in kvintor fermel lumeta kline-sim kline kvintor-uninstall; do
        page=$prefix/share/man/man1/$p.1.gz
        [ -f "$page" ] || fail "no manual page for $p"
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man $p warns: $warnings"
        text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
        help=$("$prefix/bin/$p" --help)
        diff <(options_of <<<"$help") <(options_of <<<"$text") >/dev/null ||
            fail "$p: options of --help (<) and of the manual page (>) differ:
$(diff <(options_of <<<"$help") <(options_of <<<"$text"))"
        diff <(help_statuses <<<"$help") <(man_statuses <<<"$text") >/dev/null ||
            fail "$p: exit statuses of --help (<) and of the manual page (>) differ:
$(diff <(help_statuses <<<"$help") <(man_statuses <<<"$text"))"
    done
    local command
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$prefix/share/man/man1/kline-sim.1.gz" 2>/dev/null)
    for command in $(kline_sim_commands "$prefix/bin/kline-sim"); do
        grep -qw -- "$command" <<<"$text" || fail "kline-sim's manual page does not name the command '$command'"
    done
}

# The first word of every alternative in the command list of kline-sim --help.
kline_sim_commands() {
    "$1" --help | sed -n '/^commands:/,/^$/p' | tail -n +2 | sed -e 's/^  //' -e 's/  .*//' | tr '|' '\n' |
        awk '{ print $1 }' | grep -E '^[a-z][a-z-]+$' | sort -u
}

# Installed Kvintor started by an ordinary user whose port is refused.
# $1: the scratch folder, $2: the prefix; as root the user is nobody.
check_kvintor_as_user() {
    local scratch=$1 prefix=$2 home=$1/user sim kv i before after
    local run=()
    rm -rf "$home"
    mkdir -p "$home/config/kvintor-workshop" "$home/data"
    # COM1 chosen before ("ВыбрПорт" = 1, as the settings store writes it).
    printf '[fNastr]\n%%U0412%%U044B%%U0431%%U0440%%U041F%%U043E%%U0440%%U0442=1\n' \
        >"$home/config/kvintor-workshop/Kvintor.ini"
    "$prefix/bin/kline-sim" --headless --link "$home/ecu" >"$home/sim.out" 2>&1 </dev/null &
    sim=$!
    for i in $(seq 100); do [ -e "$home/ecu" ] && break; sleep 0.1; done
    [ -e "$home/ecu" ] || { kill "$sim"; fail "kline-sim made no terminal: $(cat "$home/sim.out")"; }
    if [ "$(id -u)" = 0 ] && [ "${KV_REAL_ROOT:-1}" = 1 ]; then
        # Root may open anything: the user is nobody, the terminal root's.
        chmod -R a+rwX "$home"
        run=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
    else
        chmod 000 "$(readlink -f "$home/ecu")"
        chmod a-w "$prefix/bin"
    fi
    before=$(find "$prefix" -printf '%p %s %T@\n' | sort)
    "${run[@]}" env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 \
        XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
        QT_QPA_PLATFORM=offscreen "$prefix/bin/kvintor" --port "1=$home/ecu" \
        >"$home/kvintor.out" 2>"$home/kvintor.err" &
    kv=$!
    # After the hint Kvintor looks for a free port and waits on its message.
    for i in $(seq 200); do
        grep -q dialout "$home/data/Kvintor/Otchet.log" 2>/dev/null && break
        kill -0 "$kv" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$kv" 2>/dev/null || true
    wait "$kv" 2>/dev/null || true
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    chmod u+w "$prefix/bin"
    grep -q "^Kvintor: нет доступа к $home/ecu: .*dialout" "$home/kvintor.err" ||
        fail "no dialout hint on standard error; it printed:
$(cat "$home/kvintor.err")"
    [ "$(grep -c dialout "$home/kvintor.err")" = 1 ] || fail "the hint came more than once"
    grep -q "=нет доступа к $home/ecu: .*dialout" "$home/data/Kvintor/Otchet.log" ||
        fail "no dialout hint in the report log in the user's data folder"
    after=$(find "$prefix" -printf '%p %s %T@\n' | sort)
    [ "$before" = "$after" ] || fail "Kvintor wrote into the installed folders:
$(diff <(echo "$before") <(echo "$after"))"
}

# ---------------------------------------------------------------- inside the mount namespace

if [ "${1:-}" = --hidden ]; then
    shift
    build=$1 source=$2 version=$3 scratch=$4
    mount -t tmpfs kv-hidden "$build"
    mount -t tmpfs kv-hidden "$source"
    [ ! -e "$build/CMakeCache.txt" ] && [ ! -e "$source/CMakeLists.txt" ] ||
        fail "the build tree is still in reach"
    check_versions_and_help "$scratch/stage/usr/bin" "$version"
    check_manual_pages "$scratch/stage/usr"
    if [ "${KV_REAL_ROOT:-0}" = 1 ]; then
        check_kvintor_as_user "$scratch" "$scratch/stage/usr"
    fi
    exit 0
fi

# ---------------------------------------------------------------- the install

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3

scratch=$(mktemp -d /tmp/kv-install.XXXXXX)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
stage=$scratch/stage
DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$scratch/install.log" ||
    fail "cmake --install: $(cat "$scratch/install.log")"

expected=$(
    for p in fermel kline kline-sim kvintor kvintor-uninstall lumeta; do
        echo "usr/bin/$p"
        echo "usr/share/man/man1/$p.1.gz"
    done
    for id in Kvintor Fermel Lumeta KlineSim; do
        echo "usr/share/applications/ru.kvintor.$id.desktop"
        echo "usr/share/icons/hicolor/scalable/apps/ru.kvintor.$id.svg"
    done
    for id in Kvintor Fermel Lumeta; do
        echo "usr/share/metainfo/ru.kvintor.$id.metainfo.xml"
    done
    echo usr/share/doc/kvintor/copyright
    echo usr/share/doc/kvintor/changelog.gz
)
installed=$(cd "$stage" && find . ! -type d | sed 's|^\./||')
diff <(sort <<<"$expected") <(sort <<<"$installed") >/dev/null ||
    fail "the install differs from the list (< expected, > installed):
$(diff <(sort <<<"$expected") <(sort <<<"$installed"))"

# The uninstaller removes its own folder: it lies beside kvintor, and the
# desktop menu does not offer it.
[ "$(dirname "$(cd "$stage" && find . -name kvintor-uninstall)")" = ./usr/bin ] || fail "kvintor-uninstall is not beside kvintor"
if grep -l '^Exec=.*uninstall' "$stage"/usr/share/applications/*.desktop; then
    fail "a desktop entry starts the uninstaller"
fi
# Nothing points the programs at a library folder of the build.
if readelf -d "$stage"/usr/bin/* | grep -E 'RPATH|RUNPATH'; then fail "an installed program has a run path"; fi

# The installed programs, with the build and source trees out of reach.
real_root=0
[ "$(id -u)" = 0 ] && real_root=1
if [ $real_root = 1 ]; then hide=(unshare --mount); else hide=(unshare --map-root-user --mount); fi
if "${hide[@]}" true 2>/dev/null; then
    KV_REAL_ROOT=$real_root "${hide[@]}" bash "$0" --hidden "$build" "$source" "$version" "$scratch"
    # An ordinary user cannot make another user's terminal: that part runs
    # here, with the trees in reach.
    [ $real_root = 1 ] || KV_REAL_ROOT=0 check_kvintor_as_user "$scratch" "$stage/usr"
    echo "packaging_install: every file installed; the programs ran from $stage with the build tree hidden"
else
    check_versions_and_help "$stage/usr/bin" "$version"
    check_manual_pages "$stage/usr"
    KV_REAL_ROOT=$real_root check_kvintor_as_user "$scratch" "$stage/usr"
    echo "packaging_install: no mount namespace on this machine, so the build tree could not be hidden"
    exit 77
fi
