#!/usr/bin/env python3
"""viewer-settings as an Ansible binary module, run by ansible-playbook against three stations on
this machine: changes are made once and reported, a second run changes nothing and leaves the
files untouched, check mode writes nothing, diff mode shows the changes, and a bad value fails
its host's task with the key named and nothing written.

Usage: fleet.py TOOL
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
STATIONS = ["st1", "st2", "st3"]
FILE_NAME = "VorelViewerSysSetting.xml"


def main():
    tool = sys.argv[1]
    if not shutil.which("ansible-playbook"):
        sys.exit("ansible-playbook is missing (Debian: ansible-core; scripts/install-deps)")
    work = tempfile.mkdtemp(prefix="viewer-settings-fleet-")
    try:
        run_fleet(tool, work)
    finally:
        shutil.rmtree(work)
    print("ok")


def run_fleet(tool, work):
    os.mkdir(os.path.join(work, "library"))
    shutil.copy(tool, os.path.join(work, "library", "viewer_settings"))
    shutil.copy(os.path.join(HERE, "site.yml"), work)
    with open(os.path.join(work, "inventory"), "w") as inventory:
        inventory.write("[stations]\n")
        for name in STATIONS:
            folder = os.path.join(work, name)
            os.mkdir(folder)
            subprocess.run([tool, "--dir", folder, "init"], check=True, stdout=subprocess.DEVNULL)
            inventory.write(f"{name} ansible_connection=local station_dir={folder}\n")
        inventory.write("[stations:vars]\nansible_python_interpreter=" + sys.executable + "\n")

    # Each host's task result, as ansible-core's tree callback writes it: one JSON file a host.
    def playbook(*options):
        tree = tempfile.mkdtemp(dir=work)
        env = dict(os.environ, ANSIBLE_CALLBACKS_ENABLED="tree", ANSIBLE_CALLBACK_TREE_DIR=tree,
                   ANSIBLE_NOCOLOR="1", ANSIBLE_LOCAL_TEMP=os.path.join(work, "tmp"),
                   ANSIBLE_REMOTE_TEMP=os.path.join(work, "tmp"),
                   ANSIBLE_RETRY_FILES_ENABLED="0", ANSIBLE_HOME=os.path.join(work, "home"))
        done = subprocess.run(["ansible-playbook", "-i", "inventory", "site.yml", *options],
                              cwd=work, env=env, capture_output=True, text=True)
        results = {}
        for name in STATIONS:
            try:
                with open(os.path.join(tree, name)) as result:
                    results[name] = json.load(result)
            except (OSError, ValueError):
                sys.exit(f"no result for {name}:\n{done.stdout}\n{done.stderr}")
        return done.returncode, results, done.stdout

    def files():
        snapshot = {}
        for name in STATIONS:
            path = os.path.join(work, name, FILE_NAME)
            info = os.stat(path)
            with open(path, "rb") as f:
                snapshot[name] = (f.read(), info.st_ino, info.st_mtime_ns)
        return snapshot

    def get(name, key):
        return subprocess.run([tool, "--dir", os.path.join(work, name), "get", key],
                              check=True, capture_output=True, text=True).stdout.strip()

    def expect(condition, what, detail=""):
        if not condition:
            sys.exit(f"FAILED: {what}\n{detail}")

    def changed(results):
        return sorted(host for host, result in results.items() if result.get("changed"))

    # First run: every station changes.
    before = files()
    status, results, shown = playbook()
    expect(status == 0, "the first run succeeds", results)
    expect(changed(results) == STATIONS, "the first run changes all three stations", results)
    after = files()
    for name in STATIONS:
        expect(after[name][0] != before[name][0], f"{name} was written")
        expect(get(name, "MinDiskSpace") == "2048", f"{name} holds MinDiskSpace")
        expect(get(name, "Modality.CT.Label.Text.Font.FaceName") == "Arial", f"{name} holds CT")

    # Second run: nothing changes, and no file is touched.
    status, results, shown = playbook()
    expect(status == 0 and changed(results) == [], "the second run changes nothing", results)
    expect(files() == after, "the second run leaves every file as it was (bytes, inode, mtime)")

    # A station drifts: check mode reports it and writes nothing; diff mode shows the change.
    subprocess.run([tool, "--dir", os.path.join(work, "st2"), "set", "MinDiskSpace", "5"],
                   check=True, stdout=subprocess.DEVNULL)
    drifted = files()
    status, results, shown = playbook("--check", "--diff")
    expect(status == 0 and changed(results) == ["st2"], "check mode reports the drift", results)
    expect(files() == drifted, "check mode writes nothing")
    expect("-MinDiskSpace = 5\n+MinDiskSpace = 2048\n" in shown, "diff mode shows the change",
           shown)
    status, results, shown = playbook()
    expect(status == 0 and changed(results) == ["st2"], "the drift is put right", results)
    expect(get("st2", "MinDiskSpace") == "2048", "st2 holds MinDiskSpace again")

    # A bad value fails that host's task, names the key, and writes nothing there.
    os.mkdir(os.path.join(work, "host_vars"))
    with open(os.path.join(work, "host_vars", "st3.yml"), "w") as host:
        host.write("station_settings:\n  MinDiskSpace: 2048\n  DICOM.LocalMaxSCPCount: 40000\n")
    subprocess.run([tool, "--dir", os.path.join(work, "st3"), "set", "MinDiskSpace", "7"],
                   check=True, stdout=subprocess.DEVNULL)
    before = files()
    status, results, shown = playbook()
    expect(status != 0, "a failed host fails the run")
    failed = sorted(host for host in STATIONS if f"fatal: [{host}]: FAILED!" in shown)
    expect(failed == ["st3"], "only the station with the bad value fails", shown)
    expect("DICOM.LocalMaxSCPCount" in results["st3"].get("msg", ""),
           "the failure names the key", results["st3"])
    expect(files()["st3"] == before["st3"], "nothing is written on the failed station")
    expect(get("st3", "MinDiskSpace") == "7", "not even the values that fit")


if __name__ == "__main__":
    main()
