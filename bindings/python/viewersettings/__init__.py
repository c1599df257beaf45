"""The image viewer's station settings from Python, through the settings library's C interface.

    import viewersettings
    station = viewersettings.Station("/srv/station")   # the folder of the settings file
    station.get("DICOM.LocalImageDir")                  # the value as text; None when not stored
    station.set("MinDiskSpace", 2000)                   # text, int or float
    station.set_many({"WindowLastPos.Left": 0, "WindowLastPos.Top": 0})  # all or nothing
    station.keys()                                      # the keys the file stores

Errors raise SettingsError, whose `code` is the library's result code. The library is the one
named by the environment variable VIEWERSETTINGS_LIBRARY, else the one beside this package, else
the system's.
"""
import ctypes
import ctypes.util
import os
import sys
import threading

__all__ = ["Station", "SettingsError", "library_version", "MINIMUM_LIBRARY_VERSION"]

GET_OK, GET_NOT_FOUND, SET_OK, SET_FAILED = 5700, 5701, 5702, 5703
FILE_ERROR, UNKNOWN_KEY, BAD_VALUE = 5704, 5705, 5706

# The oldest library whose C interface this package speaks.
MINIMUM_LIBRARY_VERSION = (1, 0, 0)

_REASONS = {
    SET_FAILED: "not stored (a setting the library only reads, a list entry after a missing one, "
    "or the setter failed)",
    FILE_ERROR: "the settings file can be neither read nor created",
    UNKNOWN_KEY: "no setting has this key",
    BAD_VALUE: "the value does not fit the setting's type or range",
}


class SettingsError(Exception):
    """A call the library refused or failed: `code` is its result code, `key` the key concerned
    (None where no one key was)."""

    def __init__(self, code, key=None, folder=None):
        self.code = code
        self.key = key
        reason = _REASONS.get(code, "unexpected result")
        where = f"{key}: " if key is not None else ""
        place = f" (station folder {folder})" if folder is not None else ""
        super().__init__(f"{where}{reason} [{code}]{place}")


# UTF-16 units: wchar_t on Windows and uint16_t elsewhere, the same 16 bits to ctypes.
_Unit = ctypes.c_uint16
_Text = ctypes.POINTER(_Unit)
_Int = ctypes.c_int32


def _units(text):
    data = text.encode("utf-16-le", "surrogatepass") + b"\0\0"
    return (_Unit * (len(data) // 2)).from_buffer_copy(data)


def _text(buffer, length):
    return bytes(buffer)[: 2 * length].decode("utf-16-le", "surrogatepass")


def _library_names():
    if sys.platform == "win32":
        return ["viewersettings.dll"]
    if sys.platform == "darwin":
        return ["libviewersettings.dylib"]
    return ["libviewersettings.so", "libviewersettings.so.1"]


def _find_library():
    named = os.environ.get("VIEWERSETTINGS_LIBRARY")
    if named:
        return named
    here = os.path.dirname(os.path.abspath(__file__))
    for name in _library_names():
        beside = os.path.join(here, name)
        if os.path.exists(beside):
            return beside
    # The system's: where the loader looks (LD_LIBRARY_PATH, PATH, the system folders).
    return ctypes.util.find_library("viewersettings") or _library_names()[-1]


def _load():
    path = _find_library()
    try:
        lib = ctypes.CDLL(path)
    except OSError as error:
        raise OSError(
            f"the settings library could not be loaded from {path} ({error}); set "
            "VIEWERSETTINGS_LIBRARY to its path") from error
    lib.XMLGetSetting.argtypes = [_Text, _Text, _Int, ctypes.POINTER(_Int)]
    lib.XMLSetSetting.argtypes = [_Text, _Text]
    lib.XMLSetSettings.argtypes = [_Int, ctypes.POINTER(_Text), ctypes.POINTER(_Text),
                                   ctypes.POINTER(_Int)]
    lib.XMLListSettings.argtypes = [_Text, _Int, ctypes.POINTER(_Int)]
    lib.XMLSetExeRootPath.argtypes = [_Text]
    lib.XMLSetExeRootPath.restype = None
    lib.XMLGetLibraryVersion.argtypes = []
    for name in ("XMLGetSetting", "XMLSetSetting", "XMLSetSettings", "XMLListSettings",
                 "XMLGetLibraryVersion"):
        getattr(lib, name).restype = _Int
    number = lib.XMLGetLibraryVersion()
    found = (number // 10000, number // 100 % 100, number % 100)
    if found < MINIMUM_LIBRARY_VERSION:
        raise OSError(f"the settings library {path} is version {'.'.join(map(str, found))}; "
                      f"this package needs {'.'.join(map(str, MINIMUM_LIBRARY_VERSION))} or later")
    return lib, found


_library = None
# The library takes the station folder for the whole process: each call names its folder and
# makes its call under this lock, so that stations of other folders in other threads wait.
_lock = threading.Lock()


def _lib():
    global _library
    with _lock:
        if _library is None:
            _library = _load()
        return _library[0]


def library_version():
    """The loaded library's version, as (major, minor, patch)."""
    _lib()
    return _library[1]


def _value_text(value):
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, (int, float)):
        return repr(value)
    if isinstance(value, str):
        return value
    raise TypeError(f"a setting's value is text, an int or a float, not {type(value).__name__}")


class Station:
    """The settings of one station folder: the folder of its settings file, which the first call
    creates with the first-run defaults when it is missing."""

    def __init__(self, folder):
        self.folder = os.path.abspath(os.fspath(folder))
        self._folder_units = _units(self.folder)
        self._lib = _lib()

    def _call(self, function, *args):
        with _lock:
            self._lib.XMLSetExeRootPath(self._folder_units)
            return function(*args)

    def get(self, key):
        """The value as text; None when the file does not store it."""
        name = _units(key)
        length = _Int(0)
        while True:
            capacity = length.value + 1
            buffer = (_Unit * capacity)()
            code = self._call(self._lib.XMLGetSetting, name, buffer, capacity, ctypes.byref(length))
            if code == GET_NOT_FOUND:
                return None
            if code != GET_OK:
                raise SettingsError(code, key, self.folder)
            if length.value < capacity:  # else another writer lengthened it: again
                return _text(buffer, length.value)

    def set(self, key, value):
        """Stores one value, given as text, an int or a float."""
        code = self._call(self._lib.XMLSetSetting, _units(key), _units(_value_text(value)))
        if code != SET_OK:
            raise SettingsError(code, key, self.folder)

    def set_many(self, values):
        """Stores every key of the mapping, or none when any key or value is refused."""
        pairs = [(key, _value_text(value)) for key, value in dict(values).items()]
        texts = [(_units(key), _units(value)) for key, value in pairs]  # alive through the call
        keys = (_Text * len(texts))(*[ctypes.cast(key, _Text) for key, _ in texts])
        values = (_Text * len(texts))(*[ctypes.cast(value, _Text) for _, value in texts])
        refused = _Int(-1)
        code = self._call(self._lib.XMLSetSettings, len(texts), keys, values, ctypes.byref(refused))
        if code != SET_OK:
            key = pairs[refused.value][0] if 0 <= refused.value < len(pairs) else None
            raise SettingsError(code, key, self.folder)

    def keys(self):
        """The keys of every setting the file stores."""
        length = _Int(0)
        while True:
            capacity = length.value + 1
            buffer = (_Unit * capacity)()
            code = self._call(self._lib.XMLListSettings, buffer, capacity, ctypes.byref(length))
            if code != GET_OK:
                raise SettingsError(code, None, self.folder)
            if length.value < capacity:
                listed = _text(buffer, length.value)
                return [key for key in listed.split("\0") if key]

    def __repr__(self):
        return f"Station({self.folder!r})"
