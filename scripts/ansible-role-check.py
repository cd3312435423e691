#!/usr/bin/env python3
"""Checks of the Ansible role that ansible-lint does not make.

    scripts/ansible-role-check.py ROLE_DIR

- Every task and handler that runs a command (ansible.builtin.command or
  ansible.windows.win_command; ansible-lint checks neither for win_command) says when it
  changed something and when it failed: zolctl's exit codes mean more than 0 or not.
- tasks/windows.yml and tasks/posix.yml are the same steps: the same tasks, in the same
  order, with the same arguments, differing only in the modules (ansible.windows on
  Windows, ansible.builtin elsewhere) and in what the Windows modules lack (mode).
Exit code 0 when all hold, 1 with one line per finding.
"""
import os
import sys

import yaml

COMMANDS = {"ansible.builtin.command", "ansible.windows.win_command", "command", "win_command"}
WINDOWS_OF = {
    "ansible.builtin.command": "ansible.windows.win_command",
    "ansible.builtin.copy": "ansible.windows.win_copy",
    "ansible.builtin.file": "ansible.windows.win_file",
    "ansible.builtin.tempfile": "ansible.windows.win_tempfile",
}
POSIX_ONLY_ARGS = {"mode"}


def tasks_of(items):
    """Every task of a task list, blocks opened (their rescue and always too)."""
    for item in items or []:
        yield item
        for part in ("block", "rescue", "always"):
            yield from tasks_of(item.get(part))


def command_findings(path):
    with open(path, encoding="utf-8") as f:
        items = yaml.safe_load(f)
    for task in tasks_of(items):
        if COMMANDS & set(task):
            for key in ("changed_when", "failed_when"):
                if key not in task:
                    yield "%s: %r has no %s" % (path, task.get("name"), key)


def as_windows(items):
    """The posix steps as the Windows file must hold them."""
    out = []
    for task in items or []:
        task = dict(task)
        for posix, windows in WINDOWS_OF.items():
            if posix in task:
                args = task.pop(posix)
                if isinstance(args, dict):
                    args = {k: v for k, v in args.items() if k not in POSIX_ONLY_ARGS}
                task[windows] = args
        for part in ("block", "rescue", "always"):
            if part in task:
                task[part] = as_windows(task[part])
        out.append(task)
    return out


def main(argv):
    role = argv[1]
    findings = []
    for folder in ("tasks", "handlers"):
        base = os.path.join(role, folder)
        for name in sorted(os.listdir(base)):
            if name.endswith(".yml"):
                findings.extend(command_findings(os.path.join(base, name)))
    with open(os.path.join(role, "tasks", "posix.yml"), encoding="utf-8") as f:
        posix = yaml.safe_load(f)
    with open(os.path.join(role, "tasks", "windows.yml"), encoding="utf-8") as f:
        windows = yaml.safe_load(f)
    expected = as_windows(posix)
    if expected != windows:
        for i, (want, have) in enumerate(zip(expected, windows)):
            if want != have:
                findings.append("tasks/windows.yml: step %d (%r) is not tasks/posix.yml's with the Windows modules"
                                % (i + 1, have.get("name")))
        if len(expected) != len(windows):
            findings.append("tasks/windows.yml has %d steps, tasks/posix.yml %d" % (len(windows), len(expected)))
    for finding in findings:
        print("ansible-role-check: " + finding)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
