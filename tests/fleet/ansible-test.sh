#!/bin/sh
# The Ansible playbook of docs/fleet.md against two local gateways, each with its own
# simulated devices and folders: gw1 two good devices, gw2 one good and one that does not
# answer. Usage: ansible-test.sh DOCS/fleet.md BIN_DIR
# Exit 77 (skipped) when ansible-playbook is not installed.
set -eu
doc=$1
bin=$(cd "$2" && pwd)
if ! command -v ansible-playbook >/dev/null 2>&1; then
    echo "SKIP: ansible-playbook is not installed (apt install ansible-core)"
    exit 77
fi

work=$(mktemp -d)
pids=
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

fail() {
    echo "FAIL: $*"
    exit 1
}

# The playbook as the document shows it: the yaml block that starts "# fleet-backup.yml".
awk '/^```yaml$/ { inblock = 1; n = 0; next }
     /^```$/ { inblock = 0; next }
     inblock { n++; if (n == 1 && $0 != "# fleet-backup.yml") inblock = 0; else print }' \
    "$doc" >"$work/fleet-backup.yml"
[ -s "$work/fleet-backup.yml" ] || fail "no playbook in $doc"

sim() { # DIR ARGS...: a simulator in the background, its output in DIR/sim.txt
    dir=$1
    shift
    "$bin/ztdevsim" "$@" </dev/null >>"$dir/sim.txt" 2>&1 &
    pids="$pids $!"
}
mkdir -p "$work/gw1" "$work/gw2"
sim "$work/gw1" --pty "$work/gw1/dev" --count 2 --inventory "$work/gw1/fleet.txt"
sim "$work/gw2" --pty "$work/gw2/dev" --inventory "$work/gw2/fleet.txt"
sim "$work/gw2" --pty "$work/gw2/mute" --no-answer 84
for i in $(seq 100); do
    [ -s "$work/gw1/fleet.txt" ] && [ -s "$work/gw2/fleet.txt" ] && [ -e "$work/gw2/mute" ] && break
    sleep 0.1
done
echo "mute $work/gw2/mute" >>"$work/gw2/fleet.txt"

cat >"$work/gateways.ini" <<EOF
[gateways]
gw1 zt_inventory=$work/gw1/fleet.txt zt_backup_dir=$work/gw1/backup
gw2 zt_inventory=$work/gw2/fleet.txt zt_backup_dir=$work/gw2/backup

[gateways:vars]
ansible_connection=local
ansible_python_interpreter=$(command -v python3)
ztcfg=$bin/ztcfg
zt_timeout=2
zt_fetch_dir=$work/fetched
EOF

export ANSIBLE_HOME="$work/ansible" ANSIBLE_LOCAL_TEMP="$work/ansible/tmp" \
    ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_STDOUT_CALLBACK=default
play() {
    rc=0
    ansible-playbook -i "$work/gateways.ini" "$work/fleet-backup.yml" "$@" >"$work/play.txt" 2>&1 ||
        rc=$?
    cat "$work/play.txt"
}
recap() { # HOST: its line of the play recap
    grep -E "^$1 +:" "$work/play.txt" || true
}

play
[ "$rc" -eq 2 ] || fail "ansible-playbook exit $rc, expected 2 (a host failed)"
recap gw1 | grep -q "changed=[1-9] .*failed=0" || fail "gw1: $(recap gw1)"
recap gw2 | grep -q "changed=[1-9] .*failed=1" || fail "gw2: $(recap gw2)"
grep -q "mute ($work/gw2/mute): failed" "$work/play.txt" || fail "the mute device is not named"
for f in gw1/dev-1.DAT gw1/dev-2.DAT gw2/dev.DAT; do
    [ "$(wc -c <"$work/fetched/$f")" -eq 210 ] || fail "$f was not fetched"
done
[ ! -e "$work/fetched/gw2/mute.DAT" ] || fail "a backup of the mute device was fetched"

# Again, with nothing changed on the devices: ok, not changed.
play --limit gw1
[ "$rc" -eq 0 ] || fail "second run: exit $rc"
recap gw1 | grep -q "changed=0 .*failed=0" || fail "second run, gw1: $(recap gw1)"
echo "PASS"
