#!/usr/bin/env bash
# LodestarSetup.exe under Wine: a silent installation into a folder with a blank in its name, the
# installed program started from its Start menu shortcut, uninstallations with and without the settings,
# installing over and uninstalling a running copy, and a prefix that ends as it began.
set -eEuo pipefail
# A command that fails where no check expects it ends the run; say which, and where.
trap 'echo "FAILED: line $LINENO: $BASH_COMMAND (status $?)"' ERR
wine=$1 setup=$2 stuck=$7 version=$8
declare -A built=([Lodestar.exe]=$3 [LSHOOK.DLL]=$4 [lsctl.exe]=$5 [Lodestar.chm]=$6)
program_files=(Lodestar.exe LSHOOK.DLL lsctl.exe Lodestar.chm)
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lodestar'
vendor_key='HKCU\Software\Marlowe'
settings_key='HKCU\Software\Marlowe\Lodestar'

eval "$("$wine" env)"
fail() {
    echo "FAILED ($(date +%T)): $*"
    # What ran at that moment, to tell a program that did not start from one that did not end.
    pgrep -af -- '\.exe' || true
    exit 1
}

winepath_w() { "$wine" winepath -w "$1" | tr -d '\r'; }
winvar() { "$wine" cmd /c echo "%$1%" | tr -d '\r'; }
unixpath() { "$wine" winepath -u "$1" | tr -d '\r'; }
local_win=$(winvar LOCALAPPDATA)
programs_win=$(winvar APPDATA)'\Microsoft\Windows\Start Menu\Programs'
install_win="$local_win\\Programs\\Lode Star"
temp_win=$(winvar TEMP)
temp_dir=$(unixpath "$temp_win")
local_dir=$(unixpath "$local_win")
install_dir=$(unixpath "$install_win")
menu_dir=$(unixpath "$programs_win")
[ -d "$local_dir" ] && [ -d "$menu_dir" ] || fail "user folders of the prefix not found"

pending_key='HKLM\System\CurrentControlSet\Control\Session Manager'
uninstaller_copies() { (cd "$temp_dir" && ls -d '~nsu'*.tmp 2>/dev/null) || true; }
old_copies=$(uninstaller_copies)
had_pending=no
"$wine" reg query "$pending_key" /v PendingFileRenameOperations >/dev/null 2>&1 && had_pending=yes
had_vendor=no
"$wine" reg query "$vendor_key" >/dev/null 2>&1 && had_vendor=yes

work=$(mktemp -d)
# Wine turns Start menu shortcuts into menu entries of the host desktop; those of this test go here.
export XDG_DATA_HOME=$work/xdg-data XDG_CONFIG_HOME=$work/xdg-config
# Settings another run left behind are put aside, so that a purge can be told from a prefix that never
# had any; they come back at the end.
saved_settings=
if "$wine" reg query "$settings_key" >/dev/null 2>&1; then
    saved_settings=$work/settings.reg
    "$wine" reg export "$settings_key" "$(winepath_w "$saved_settings")" >/dev/null 2>&1 || true
fi

stop_lodestar() {
    # Closing its windows ends the program as its exit command does; one that does not end is killed.
    "$wine" taskkill /im Lodestar.exe >/dev/null 2>&1 || true
    for _ in $(seq 1 50); do
        lodestar_pids >/dev/null || break
        sleep 0.2
    done
    local p
    for p in $(lodestar_pids || true); do kill "$p" 2>/dev/null || true; done
}
stuck_pid=
cleanup() {
    [ -z "$stuck_pid" ] || kill "$stuck_pid" 2>/dev/null || true
    stop_lodestar
    # The uninstaller's copies, and their deletion at the next reboot.
    local copy
    for copy in $(uninstaller_copies); do
        grep -qxF -- "$copy" <<<"$old_copies" || rm -rf "${temp_dir:?}/$copy"
    done
    [ "$had_pending" = yes ] ||
        "$wine" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
    # Whatever the run left: the installation, its shortcuts and registration, and the settings.
    rm -rf "$install_dir" "$menu_dir/Lodestar"
    [ "${programs_existed:-yes}" = yes ] || rmdir "$local_dir/Programs" 2>/dev/null || true
    "$wine" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
    "$wine" reg delete "$settings_key" /f >/dev/null 2>&1 || true
    # The tests run one at a time: what is under a vendor key that did not exist before is this run's.
    [ "$had_vendor" = yes ] || "$wine" reg delete "$vendor_key" /f >/dev/null 2>&1 || true
    [ "${emptied_vendor:-no}" = no ] || "$wine" reg add "$vendor_key" /f >/dev/null 2>&1 || true
    if [ -n "$saved_settings" ] && [ -s "$saved_settings" ]; then
        "$wine" regedit /s "$(winepath_w "$saved_settings")" >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

if [ -n "$saved_settings" ]; then "$wine" reg delete "$settings_key" /f >/dev/null 2>&1; fi
# An empty vendor key that other runs left is taken away by a purge together with the settings: it goes
# before the run, so that the purge can leave exactly what was there, and comes back at the end.
emptied_vendor=no
if [ "$had_vendor" = yes ] &&
    [ -z "$("$wine" reg query "$vendor_key" /s 2>/dev/null | tr -d '\r' | grep -v '^$' | grep -vixF 'HKEY_CURRENT_USER\Software\Marlowe')" ]; then
    "$wine" reg delete "$vendor_key" /f >/dev/null 2>&1 && emptied_vendor=yes
fi

# Linux ids of the Wine processes running the installed program (their command lines hold its Windows or
# its Unix path, as it was started).
lodestar_pids() { pgrep -f -- 'Lode Star[\\/]Lodestar\.exe'; }

# What the installer may touch: the folders under the user's local application data and Start menu, and
# the two registry trees.
snapshot() {
    echo "== $local_win\\Programs =="
    (cd "$local_dir" && find Programs 2>/dev/null | sort) || true
    echo "== $programs_win =="
    (cd "$menu_dir" && find . -mindepth 1 | sort)
    local key out
    for key in "$uninstall_key" "$vendor_key"; do
        echo "== reg query $key /s =="
        # A missing key gives a message in the console's code page on stdout: only the status counts.
        if out=$("$wine" reg query "$key" /s 2>/dev/null); then
            echo "$out" | iconv -f CP932 -t UTF-8 | tr -d '\r' | sed '/^$/d'
        else
            echo "(no key)"
        fi
    done
}

pixel() { import -display "$DISPLAY" -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | tail -n 1 | awk '{print $3}'; }
wait_for_icon() {
    local bar
    for _ in $(seq 1 200); do
        bar=$(pixel 600 758)
        [ -n "$bar" ] && [ "$bar" != "#000000" ] && [ "$(pixel 1013 758)" != "$bar" ] && return 0
        sleep 0.1
    done
    return 1
}
wait_until_no_icon() {
    for _ in $(seq 1 100); do
        [ "$(pixel 1013 758)" = "$(pixel 600 758)" ] && return 0
        sleep 0.1
    done
}

# Starts the installed program, by its shortcut or its file, and waits for its tray icon.
start_installed() {
    wait_until_no_icon
    if [ "$1" = shortcut ]; then
        # Not "start": scripts/wine takes that word for itself.
        "$wine" start.exe /wait /unix "$menu_dir/Lodestar/Lodestar.lnk" >/dev/null 2>&1 &
    else
        "$wine" "$install_dir/Lodestar.exe" >/dev/null 2>&1 &
    fi
    wait_for_icon || fail "no tray icon from the installed program (started by $1)"
    lodestar_pids >/dev/null || fail "the program with the icon is not the one in $install_win"
}

reg_value() { # key name: prints the value's data, nothing when there is no such value
    { "$wine" reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

run_setup() {
    # NSIS takes /D= unquoted, as the rest of the command line. Wine quotes an argument that holds a
    # blank, so the folder goes as words, which Wine joins with one blank each.
    local words
    read -r -a words <<<"/D=$install_win"
    "$wine" "$setup" "$@" "${words[@]}"
}

# The uninstaller copies itself to the temporary folder (~nsuN.tmp\Un.exe), starts the copy and ends: the
# uninstallation is over when that copy has ended. The copy and its folder are left for deletion at the
# next reboot, which a Wine prefix never has: the test removes them itself.
run_uninstaller() {
    local rc=0
    "$wine" "$install_dir/Uninstall.exe" "$@" || rc=$?
    for _ in $(seq 1 300); do
        pgrep -f -- '~nsu[0-9]*\.tmp\\Un\.exe' >/dev/null || return "$rc"
        sleep 0.2
    done
    fail "the uninstaller did not end"
}

check_installed() {
    local name
    for name in "${program_files[@]}"; do
        cmp -s "$install_dir/$name" "${built[$name]}" || fail "$name in $install_win differs from the built one"
    done
    [ -f "$install_dir/Uninstall.exe" ] || fail "no uninstaller"
    [ -z "$(cd "$install_dir" && ls | grep -v -x -e Lodestar.exe -e LSHOOK.DLL -e lsctl.exe -e Lodestar.chm \
        -e Uninstall.exe -e memo.txt)" ] || fail "unexpected files in $install_win: $(ls "$install_dir")"
    [ -f "$menu_dir/Lodestar/Lodestar.lnk" ] || fail "no Start menu shortcut"
    # The link's local base path (plain text in its link information block) is the installed program;
    # starting the shortcut below shows that the shell resolves it so.
    strings "$menu_dir/Lodestar/Lodestar.lnk" | grep -qxF "$install_win\\Lodestar.exe" ||
        fail "the shortcut does not point to $install_win\\Lodestar.exe"
    [ -f "$menu_dir/Lodestar/Lodestar ヘルプ.lnk" ] || fail "no help shortcut"
    local size
    size=$(( ($(cat "$install_dir"/{Lodestar.exe,LSHOOK.DLL,lsctl.exe,Lodestar.chm,Uninstall.exe} | wc -c) + 1023) / 1024 ))
    local expected=(
        "DisplayName|Lodestar"
        "DisplayVersion|$version"
        "Publisher|Marlowe"
        "DisplayIcon|$install_win\\Lodestar.exe,0"
        "InstallLocation|$install_win"
        "UninstallString|\"$install_win\\Uninstall.exe\""
        "QuietUninstallString|\"$install_win\\Uninstall.exe\" /S"
        "NoModify|0x1"
        "NoRepair|0x1"
        "EstimatedSize|$(printf '0x%x' "$size")"
    )
    local row
    for row in "${expected[@]}"; do
        local value
        value=$(reg_value "$uninstall_key" "${row%%|*}")
        [ "$value" = "${row#*|}" ] || fail "uninstall key: ${row%%|*} is '$value', expected '${row#*|}'"
    done
}

check_removed() {
    local name
    for name in "${program_files[@]}" Uninstall.exe; do
        [ ! -e "$install_dir/$name" ] || fail "$name left in $install_win"
    done
    [ ! -e "$menu_dir/Lodestar" ] || fail "Start menu folder left"
    "$wine" reg query "$uninstall_key" >/dev/null 2>&1 && fail "uninstall key left"
    return 0
}

if [ -d "$local_dir/Programs" ]; then programs_existed=yes; else programs_existed=no; fi
before=$(snapshot)
echo "BEFORE:"
echo "$before"

# Each row: what it runs, with which arguments, and the exit code expected; whether the installed program
# runs meanwhile (and must be ended by it), or a copy that will not end (and the run must change nothing);
# whether the settings are there afterwards; a file of the user's own in the folder.
#   action     running  exit  settings  user-file  arguments
rounds=(
    "install   no       0     present   no         /S"
    "uninstall no       0     present   yes        /S"
    "install   no       0     present   no         /S"
    "install   stuck    2     present   no         /S"
    "uninstall stuck    -     present   no         /S"
    "install   yes      0     present   no         /S"
    "uninstall yes      0     absent    no         /S /PURGE"
)
started=$(date +%s)
for row in "${rounds[@]}"; do
    read -r action running exit settings user_file args <<<"$row"
    read -r -a arguments <<<"$args"
    echo "-- $action ${arguments[*]} (program running: $running) at $(date +%T)"
    if [ "$running" != no ] && [ "$action" = install ]; then
        # Stand-ins for the files of an earlier version, which the installation must replace.
        printf 'older' >>"$install_dir/lsctl.exe"
        printf 'older' >>"$install_dir/Lodestar.chm"
    fi
    case $running in
    yes) start_installed file ;;
    stuck)
        "$wine" "$stuck" 300 >/dev/null 2>&1 &
        stuck_pid=$!
        # Time for it to make its window.
        sleep 2
        ;;
    esac
    [ "$user_file" = yes ] && echo "メモ" >"$install_dir/memo.txt"
    [ "$running" != stuck ] || state=$(snapshot; cd "$install_dir" && md5sum -- *)

    # The uninstaller's own exit code is lost with the copy it starts: there only the result counts.
    rc=0
    if [ "$action" = install ]; then
        run_setup "${arguments[@]}" || rc=$?
    else
        run_uninstaller "${arguments[@]}" || rc=$?
    fi
    [ "$exit" = - ] || [ "$rc" = "$exit" ] || fail "$action ${arguments[*]} exited with $rc, expected $exit"

    if [ "$running" = stuck ]; then
        [ "$(snapshot; cd "$install_dir" && md5sum -- *)" = "$state" ] ||
            fail "$action ${arguments[*]} changed the installation though the running copy did not end"
        kill "$stuck_pid"
        wait "$stuck_pid" 2>/dev/null || true
        stuck_pid=
        # What the row did to the files to tell them from the built ones is undone by the next run.
        continue
    fi
    if [ "$running" = yes ]; then
        lodestar_pids >/dev/null && fail "the running program was not ended by the $action"
        wait_until_no_icon
    fi

    if [ "$action" = install ]; then
        check_installed
        if [ -z "${shown_installed:-}" ]; then
            echo "INSTALLED:"
            snapshot
            shown_installed=yes
        fi
        # The shortcut starts the installed program; it saves its settings when it ends.
        start_installed shortcut
        stop_lodestar
    else
        check_removed
        if [ "$user_file" = yes ]; then
            [ "$(ls "$install_dir")" = memo.txt ] || fail "the user's file or its folder is gone"
            # The user clears the folder away; so does the parent the first installation made.
            rm -rf "$install_dir"
            [ "$programs_existed" = yes ] || rmdir "$local_dir/Programs" 2>/dev/null || true
        else
            [ ! -e "$install_dir" ] || fail "empty installation folder left"
        fi
    fi
    if "$wine" reg query "$settings_key" >/dev/null 2>&1; then now=present; else now=absent; fi
    [ "$now" = "$settings" ] || fail "settings $now after $action ${arguments[*]}, expected $settings"
done
echo "rounds took $(( $(date +%s) - started )) s"

after=$(snapshot)
echo "AFTER:"
echo "$after"
[ "$before" = "$after" ] || { diff <(echo "$before") <(echo "$after") >&2; fail "the prefix differs from before"; }
[ -z "$(ls -A "$XDG_DATA_HOME/applications" 2>/dev/null)" ] || echo "note: Wine made host menu entries (kept in the test's folder)"
echo "installer: all checks passed"
