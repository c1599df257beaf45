#!/usr/bin/env python3
"""The library's C interface from another language, with no compiler: Python's ctypes.

    c_interface.py LIBRARY    LIBRARY: the shared library (libviewersettings.so)
"""
import ctypes
import pathlib
import sys
import tempfile

XMLR_GET_OK, XMLR_GET_NOT_FOUND, XMLR_SET_OK, XMLR_SET_FAILED = 5700, 5701, 5702, 5703
XMLR_FILE_ERROR, XMLR_UNKNOWN_KEY, XMLR_BAD_VALUE = 5704, 5705, 5706

VSChar = ctypes.c_uint16
Text = ctypes.POINTER(VSChar)


def units(text):
    data = text.encode("utf-16-le") + b"\0\0"
    return (VSChar * (len(data) // 2)).from_buffer_copy(data)


def text_of(buffer, length):
    return bytes(buffer)[: 2 * length].decode("utf-16-le")


class Settings:
    def __init__(self, path):
        lib = ctypes.CDLL(path)
        lib.XMLGetSetting.argtypes = [Text, Text, ctypes.c_int32, ctypes.POINTER(ctypes.c_int32)]
        lib.XMLSetSetting.argtypes = [Text, Text]
        lib.XMLSetSettings.argtypes = [ctypes.c_int32, ctypes.POINTER(Text), ctypes.POINTER(Text),
                                       ctypes.POINTER(ctypes.c_int32)]
        lib.XMLListSettings.argtypes = [Text, ctypes.c_int32, ctypes.POINTER(ctypes.c_int32)]
        lib.XMLSetExeRootPath.argtypes = [Text]
        lib.XMLSetExeRootPath.restype = None
        for name in ("XMLGetSetting", "XMLSetSetting", "XMLSetSettings", "XMLListSettings"):
            getattr(lib, name).restype = ctypes.c_int32
        self.lib = lib

    def use(self, directory):
        self.lib.XMLSetExeRootPath(units(str(directory)))

    def get(self, key):
        """The result and the value, asking for the length first."""
        length = ctypes.c_int32(-1)
        result = self.lib.XMLGetSetting(units(key), None, 0, ctypes.byref(length))
        if result != XMLR_GET_OK:
            return result, None
        buffer = (VSChar * (length.value + 1))()
        result = self.lib.XMLGetSetting(units(key), buffer, len(buffer), ctypes.byref(length))
        return result, text_of(buffer, length.value)

    def set(self, key, value):
        return self.lib.XMLSetSetting(units(key), units(value))

    def set_many(self, pairs):
        texts = [(units(k), units(v)) for k, v in pairs]  # alive until the call returns
        keys = (Text * len(pairs))(*[ctypes.cast(k, Text) for k, _ in texts])
        values = (Text * len(pairs))(*[ctypes.cast(v, Text) for _, v in texts])
        refused = ctypes.c_int32(-2)
        result = self.lib.XMLSetSettings(len(pairs), keys, values, ctypes.byref(refused))
        return result, refused.value

    def keys(self):
        length = ctypes.c_int32(-1)
        assert self.lib.XMLListSettings(None, 0, ctypes.byref(length)) == XMLR_GET_OK
        buffer = (VSChar * (length.value + 1))()
        assert self.lib.XMLListSettings(buffer, len(buffer), ctypes.byref(length)) == XMLR_GET_OK
        listed = text_of(buffer, length.value)
        assert listed.endswith("\0")
        return listed[:-1].split("\0")


def main():
    settings = Settings(sys.argv[1])
    failures = []

    def expect(what, actual, expected):
        if actual != expected:
            failures.append(f"{what}: {actual!r}, expected {expected!r}")

    with tempfile.TemporaryDirectory() as directory:
        settings.use(directory)
        keys = settings.keys()
        expect("the first-run file", (pathlib.Path(directory) / "VorelViewerSysSetting.xml").exists(), True)
        expect("keys of a first-run file", len(keys), 49)
        image_dir = str(pathlib.Path(directory)) + "/Data\\"
        expect("DICOM.LocalImageDir", settings.get("DICOM.LocalImageDir"), (XMLR_GET_OK, image_dir))
        for key in keys:
            expect(key, settings.get(key)[0], XMLR_GET_OK)

        expect("set a text beyond the BMP", settings.set("DUZOProcessName", "Größe ✓ 日本 \U0001F600.exe"), XMLR_SET_OK)
        expect("read it", settings.get("DUZOProcessName"), (XMLR_GET_OK, "Größe ✓ 日本 \U0001F600.exe"))
        expect("set a float", settings.set("ECG.SmoothFilter.SmoothFilterIII.Gamma", "0.5"), XMLR_SET_OK)
        expect("read it", settings.get("ECG.SmoothFilter.SmoothFilterIII.Gamma"), (XMLR_GET_OK, "0.500000"))
        expect("a modality with a dot", settings.set("Modality.C.T.DisplayKIN", "-2"), XMLR_SET_OK)
        expect("read it", settings.get("Modality.C.T.DisplayKIN"), (XMLR_GET_OK, "-2"))

        pairs = [("DICOM.LocalMaxSCPCount", "12"), ("PatListHeader.0.ColumnName", "Name"), ("PatListHeader.0.ColumnWidth", "80")]
        expect("set many", settings.set_many(pairs), (XMLR_SET_OK, -1))
        for key, value in pairs:
            expect(key, settings.get(key), (XMLR_GET_OK, value))
        expect("one bad value of many", settings.set_many([("MinDiskSpace", "5"), ("ECG.PageStyle", "x")]), (XMLR_BAD_VALUE, 1))
        expect("nothing written", settings.get("MinDiskSpace"), (XMLR_GET_OK, "1000"))
        expect("unknown key", settings.get("Nothing"), (XMLR_UNKNOWN_KEY, None))
        expect("not stored", settings.get("WindowLastPos.Left"), (XMLR_GET_NOT_FOUND, None))
        settings.use(pathlib.Path(directory) / "missing")
        expect("no file can be had", settings.get("MinDiskSpace"), (XMLR_FILE_ERROR, None))
        settings.use("")

    for failure in failures:
        print(failure)
    print(f"ctypes: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
