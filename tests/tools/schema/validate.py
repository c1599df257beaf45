#!/usr/bin/env python3
"""The schema that `viewer-settings schema` prints, checked with python3-jsonschema (draft
2020-12): it is a valid schema, every export of the stations made here validates against it
(a first run, a furnished station, one holding every setting at the ends of its range, an export
without the station's own settings), and a misspelt key or a value out of range does not.

Usage: validate.py TOOL
"""
import copy
import json
import shutil
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    sys.exit("python3-jsonschema is missing (scripts/install-deps)")

FURNISHED = [
    ("PatListHeader.0.ColumnName", "Name \u00e4"), ("PatListHeader.1.ColumnWidth", "0x40"),
    ("IsRealData", "0"), ("DUZOProcessName", 'say "hi"\\\t.exe'), ("WindowLastPos.Right", "-810"),
    ("DICOM.LocalImageDir", "D:\\Images\\"), ("DICOM.Modality1", "C.T"),
    ("Modality.C.T.Label.Text.Font.FaceName", "Arial"),
    ("Modality.C.T.PatientInfo.Color", "0x00FFFFFF"), ("ECG.ZoomRatio", "1.1"),
    ("ECG.ColorSetting.Scale.Green", "200"), ("ECG.SmoothFilter.SmoothFilterIII.Gamma", "0.25"),
]


def main():
    tool = sys.argv[1]
    schema = json.loads(run(tool, "schema"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    work = tempfile.mkdtemp(prefix="viewer-settings-schema-")
    try:
        exports = make_exports(tool, work, schema)
    finally:
        shutil.rmtree(work)

    failures = []
    for name, export in exports.items():
        for error in validator.iter_errors(export):
            failures.append(f"{name}: {error.message}")
    furnished = exports["furnished"]
    for name, change in [("a misspelt key", ("MinDiskSpce", 1000)),
                         ("a misspelt per-modality key", ("Modality.C.T.DisplayKN", 1)),
                         ("a modality name with a blank", ("Modality.C T.DisplayKIN", 1)),
                         ("a value above its range", ("DICOM.LocalMaxSCPCount", 40000)),
                         ("a value below its range", ("Modality.C.T.Label.Text.Font.Italic", -1)),
                         ("a face name too long", ("Modality.C.T.Label.Text.Font.FaceName",
                                                   "F" * 32)),
                         ("text for a number", ("MinDiskSpace", "1000"))]:
        wrong = copy.deepcopy(furnished)
        wrong[change[0]] = change[1]
        if validator.is_valid(wrong):
            failures.append(f"{name} is accepted: {change}")
    if failures:
        sys.exit("FAILED:\n" + "\n".join(failures))
    print(f"ok: {len(exports)} exports validate, the wrong ones do not")


def run(tool, *args, folder=None):
    command = [tool] + (["--dir", folder] if folder else []) + list(args)
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def make_exports(tool, work, schema):
    def station(name, settings, imported=None):
        folder = f"{work}/{name}"
        subprocess.run(["mkdir", folder], check=True)
        run(tool, "init", folder=folder)
        for key, value in settings:
            run(tool, "set", key, value, folder=folder)
        if imported:
            subprocess.run([tool, "--dir", folder, "import", "-"], input=json.dumps(imported),
                           check=True, capture_output=True, text=True)
        return folder

    exports = {}
    exports["first run"] = json.loads(run(tool, "export", folder=station("fresh", [])))
    furnished = station("furnished", FURNISHED)
    exports["furnished"] = json.loads(run(tool, "export", folder=furnished))
    exports["without the station's own"] = json.loads(
        run(tool, "export", "--exclude", "station", folder=furnished))
    # Through import, which takes every value the library's fields hold (set takes colours only
    # as far as 0x00FFFFFF).
    every = every_setting(schema)
    exports["every setting at its ends"] = json.loads(
        run(tool, "export", folder=station("ends", [("DICOM.Modality1", "C.T")], every)))
    missing = set(every) - set(exports["every setting at its ends"])
    if missing:
        sys.exit(f"FAILED: set but not exported: {sorted(missing)}")
    return exports


# A value for every key of the schema: integers at their lower and upper ends in turn, the
# patterns with the modality "C.T" and entry 0.
def every_setting(schema):
    settings = {}
    keys = list(schema["properties"].items()) + [
        (pattern.strip("^$").replace("\\.", ".")
         .replace(schema_name_pattern(schema), "C.T")
         .replace("(0|[1-9][0-9]{0,8})", "0"), kind)
        for pattern, kind in schema["patternProperties"].items()]
    for index, (key, kind) in enumerate(keys):
        if key.startswith("DICOM.Modality"):
            continue
        if kind["type"] == "integer":
            settings[key] = kind["minimum"] if index % 2 else kind["maximum"]
        elif kind["type"] == "number":
            settings[key] = 0.5
        else:
            settings[key] = "x" * min(kind.get("maxLength", 8), 8)
    return settings


# The pattern of a modality name, as the schema gives it for the names in the list.
def schema_name_pattern(schema):
    return next(kind["pattern"].strip("^$") for kind in schema["patternProperties"].values()
                if "pattern" in kind)


if __name__ == "__main__":
    main()
