#!/usr/bin/env bash
# The Ansible role of examples/ansible run by Debian's ansible-core against three hosts of
# this machine (the local connection), each with a stand-in server of its own: the hosts take
# turns on the build's Wine prefix through a wrapper that registers the server with the
# host's state folder, runs zolctl.exe and ends the prefix's processes again.
# It shows: a first run changes all three and each server holds the file's tags; a second
# run changes none; check mode says what would change and no server changes; a host whose
# server refuses AddTag fails with zolctl's message while the other two finish.
#
#   scripts/ansible-role-test.sh BUILD      (BUILD: the 64-bit Windows build, e.g. build/win)
# Exit code 0 passed, 1 failed, 77 skipped (no ansible-playbook and none to install).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:?usage: ansible-role-test.sh BUILD}")
bin=$build/bin

fail() { echo "ansible-role-test: FAIL: $*"; exit 1; }
say() { echo "ansible-role-test: $*"; }

if ! command -v ansible-playbook >/dev/null; then
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    say "installing ansible-core"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ansible-core >/dev/null 2>&1
  fi
  command -v ansible-playbook >/dev/null || {
    echo "skipped: ansible-playbook is not installed and Debian's ansible-core could not be installed here"
    exit 77
  }
fi
for f in zolctl.exe zolsrv.exe zolps.dll; do
  [ -f "$bin/$f" ] || fail "no $f in $bin (build it first)"
done
[ -d "$build/examples/devices" ] || fail "no example descriptions in $build/examples/devices"

work=$(mktemp -d /tmp/zol-ansible.XXXXXX)
[ "${ZOL_KEEP_WORK:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT
hosts=(plant1 plant2 plant3)

# The wrapper each host's role runs zolctl.exe through: HOME ZOLCTL ARGS... Paths given as
# Linux paths become Windows ones; standard output is zolctl's only.
cat >"$work/zolctl-host.sh" <<WRAPPER
#!/usr/bin/env bash
set -uo pipefail
home=\$1; shift
exec 9>"$work/prefix.lock"
flock 9
source "$root/scripts/wine-env.sh"
zol_wine_init "$build/prefix" >&2 || exit 3
zol_wine_register "$bin" "\$home" >&2 || exit 3
args=()
for a in "\$@"; do
  case "\$a" in /*) args+=("\$(zol_winpath "\$a")") ;; *) args+=("\$a") ;; esac
done
zol_wine "\${args[@]}"
rc=\$?
zol_wine_reset
exit \$rc
WRAPPER
chmod +x "$work/zolctl-host.sh"

# Each host's server state: seed tags (stand-in format: type address param period-100ns).
seed() {  # seed HOST TAGS
  mkdir -p "$work/$1/seed"
  printf '%b' "$2" >"$work/$1/seed/tags.txt"
  ( source "$root/scripts/wine-env.sh"; zol_standin_seed "$work/$1/seed" "$work/$1/server" ) || fail "seeding $1"
}
seed plant1 ''
seed plant2 '1 1 1 10000000\n1 7 14 20000000\n'       # another period, a tag the file lacks
seed plant3 '1 1 1 20000000\n1 1 2 20000000\n'         # a part of the file

{
  echo "plants:"
  echo "  hosts:"
  for h in "${hosts[@]}"; do
    echo "    $h:"
    echo "      zolcfg_tags_command_prefix: ['$work/zolctl-host.sh', '$work/$h/server']"
    echo "      zolcfg_tags_history: '$work/$h/history'"
    echo "      zolcfg_tags_dest: '$work/$h/tags.csv'"
  done
  echo "  vars:"
  echo "    ansible_connection: local"
  echo "    ansible_python_interpreter: /usr/bin/python3"
  echo "    zolcfg_tags_zolctl: '$bin/zolctl.exe'"
  echo "    zolcfg_tags_dsc: '$build/examples/devices'"
} >"$work/inventory.yml"

# ansible-core has no JSON report of its own (that callback is in a collection): this one
# writes each task's result per host, and the stats, as one document on standard output.
mkdir -p "$work/callbacks"
cat >"$work/callbacks/zol_report.py" <<'PY'
import json
from ansible.plugins.callback import CallbackBase

class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = "stdout"
    CALLBACK_NAME = "zol_report"

    def __init__(self):
        super().__init__()
        self.tasks = []

    def v2_playbook_on_task_start(self, task, is_conditional):
        self.tasks.append({"task": {"name": task.get_name()}, "hosts": {}})

    def _result(self, result, **flags):
        r = dict(result._result)
        r.update(flags)
        self.tasks[-1]["hosts"][result._host.get_name()] = r

    def v2_runner_on_ok(self, result):
        self._result(result)

    def v2_runner_on_failed(self, result, ignore_errors=False):
        self._result(result, failed=True)

    def v2_runner_on_skipped(self, result):
        self._result(result, skipped=True)

    def v2_runner_on_unreachable(self, result):
        self._result(result, failed=True, unreachable=True)

    def v2_playbook_on_stats(self, stats):
        hosts = sorted(stats.processed.keys())
        doc = {"plays": [{"tasks": self.tasks}],
               "stats": {h: stats.summarize(h) for h in hosts}}
        self._display.display(json.dumps(doc, default=str))
PY
export ANSIBLE_ROLES_PATH=$root/examples/ansible/roles ANSIBLE_CALLBACK_PLUGINS=$work/callbacks
export ANSIBLE_STDOUT_CALLBACK=zol_report ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_LOCAL_TEMP=$work/ansible-tmp ANSIBLE_REMOTE_TEMP=$work/ansible-tmp
export ANSIBLE_HOST_KEY_CHECKING=0 ANSIBLE_DEPRECATION_WARNINGS=0

# play NAME [ARGS...]: the example playbook; its JSON report in $work/NAME.json.
play() {
  local name=$1; shift
  local start=$SECONDS
  ansible-playbook -i "$work/inventory.yml" "$root/examples/ansible/playbook.yml" "$@" \
    >"$work/$name.json" 2>"$work/$name.err"
  local rc=$?
  say "$name: ansible-playbook exit code $rc in $((SECONDS - start)) s"
  return $rc
}

# report NAME: per host "HOST changed|ok|failed|skipped" of the import (or diff) task, the
# role's stats, and the failed hosts' zolctl messages.
report() {
  python3 - "$work/$1.json" <<'PY'
import json, sys
doc = json.load(open(sys.argv[1]))
tasks = [t for p in doc["plays"] for t in p["tasks"]]
for t in tasks:  # "zolcfg_tags : Load ..." -> "Load ..."
    t["task"]["name"] = t["task"]["name"].split(" : ", 1)[-1]
def task(prefix):
    return [t for t in tasks if t["task"]["name"].startswith(prefix)]
for name in ("Load the tags into the server", "What a run would change"):
    for t in task(name):
        for host, r in sorted(t["hosts"].items()):
            state = "skipped" if r.get("skipped") else "failed" if r.get("failed") else \
                    "changed" if r.get("changed") else "ok"
            print("task", "import" if name.startswith("Load") else "diff", host, state)
            if r.get("failed"):
                print("message", host, "rc", r.get("rc"), r.get("msg", ""), r.get("stderr", "").replace("\n", " | "))
                print("stdout", host, r.get("stdout", ""))
for t in task("Report what would change"):
    for host, r in sorted(t["hosts"].items()):
        if not r.get("skipped"):
            print("would", host, json.dumps(r.get("msg"), ensure_ascii=False, sort_keys=True))
for t in tasks:
    if t["task"]["name"].startswith("Load the tags into the server"):
        continue
    for host, r in sorted(t["hosts"].items()):
        if r.get("failed"):
            print("failed", host, t["task"]["name"] + ":", r.get("msg", ""), r.get("stderr", "").replace("\n", " | "))
for host, s in sorted(doc["stats"].items()):
    print("stats", host, "changed=%d failures=%d" % (s["changed"], s["failures"]))
PY
}

# The server's tags as sorted "type address param period" lines.
server_tags() { grep -v '^#' "$work/$1/server/tags.txt" 2>/dev/null | awk 'NF >= 4 {print $1, $2, $3, $4}' | sort; }
# The file's tags in the same form (period_ms x 10000).
file_tags() {
  tail -n +2 "$root/examples/ansible/tags.csv" | tr -d '\r' |
    awk -F';' '{print $3, $2, $4, $6 * 10000}' | sort
}
expect_file_tags() {
  local h
  for h in "$@"; do
    [ "$(server_tags "$h")" = "$(file_tags)" ] || fail "$h's server does not hold the file's tags: $(server_tags "$h" | tr '\n' ',')"
  done
}

# 1. The first run changes all three.
play first || { cat "$work/first.err"; report first; fail "the first run failed"; }
r=$(report first); echo "$r"
for h in "${hosts[@]}"; do
  grep -qx "task import $h changed" <<<"$r" || fail "first run: $h not changed"
done
expect_file_tags "${hosts[@]}"

# 2. The second run changes none.
play second || { report second; fail "the second run failed"; }
r=$(report second); echo "$r"
for h in "${hosts[@]}"; do
  grep -qx "task import $h ok" <<<"$r" || fail "second run: $h's import was not unchanged"
  grep -qx "stats $h changed=0 failures=0" <<<"$r" || fail "second run: $h changed something"
done

# 3. Check mode: plant1 lost a tag, plant2 has another period; plant3 is as the file.
grep -v '^1 1 20 ' "$work/plant1/server/tags.txt" >"$work/t" && mv "$work/t" "$work/plant1/server/tags.txt"
sed -i 's/^1 1 14 .*/1 1 14 10000/' "$work/plant2/server/tags.txt"
before=$(for h in "${hosts[@]}"; do cat "$work/$h/server/tags.txt"; done | md5sum)
play check --check || { report check; fail "the check run failed"; }
r=$(report check); echo "$r"
grep -qx "task diff plant1 changed" <<<"$r" || fail "check: plant1 would not change"
grep -qx "task diff plant2 changed" <<<"$r" || fail "check: plant2 would not change"
grep -qx "task diff plant3 ok" <<<"$r" || fail "check: plant3 would change"
grep -qF 'would plant1 {"add": ["PM3F(001).Energy.Import"], "change": [], "delete": []}' <<<"$r" ||
  fail "check: plant1's report does not name the missing tag"
grep -qF 'would plant2 {"add": [], "change": ["PM3F(001).Frequency"], "delete": []}' <<<"$r" ||
  fail "check: plant2's report does not name the changed period"
grep -q "^task import .* changed" <<<"$r" && fail "check: an import ran"
after=$(for h in "${hosts[@]}"; do cat "$work/$h/server/tags.txt"; done | md5sum)
[ "$before" = "$after" ] || fail "check mode changed a server"

# 4. plant2's server refuses AddTag: it fails with zolctl's message, the others finish.
seed plant1 ''
seed plant2 ''
seed plant3 ''
echo "fail AddTag E_ACCESSDENIED" >"$work/plant2/server/faults.txt"
play refused && fail "a run with a refusing server passed"
r=$(report refused); echo "$r"
grep -qx "task import plant2 failed" <<<"$r" || fail "refused: plant2 did not fail"
grep -q "^message plant2 .*refused: add tag type 1 address 1 param 1 .*access denied (0x80070005)" <<<"$r" ||
  fail "refused: plant2's failure does not hold zolctl's message"
grep -qx "task import plant1 changed" <<<"$r" || fail "refused: plant1 did not finish"
grep -qx "task import plant3 changed" <<<"$r" || fail "refused: plant3 did not finish"
expect_file_tags plant1 plant3
[ -z "$(server_tags plant2)" ] || fail "refused: plant2's server holds tags"

say "ok"
