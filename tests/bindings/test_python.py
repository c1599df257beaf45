"""The Python package as a host uses it, installed into a virtual environment; the library is the
one VIEWERSETTINGS_LIBRARY names."""
import os
import threading

import pytest

import viewersettings


@pytest.fixture
def station(tmp_path):
    return viewersettings.Station(tmp_path)


def test_get_reads_the_first_run_file_and_none_where_not_stored(station, tmp_path):
    assert station.get("MinDiskSpace") == "1000"
    assert (tmp_path / "VorelViewerSysSetting.xml").exists()
    assert station.get("DICOM.LocalImageDir") == str(tmp_path) + "/Data\\"
    assert station.get("WindowLastPos.Left") is None


@pytest.mark.parametrize("key, value, stored", [
    ("MinDiskSpace", 2048, "2048"),
    ("ECG.ZoomRatio", 2.25, "2.250000"),
    ("DUZOProcessName", "Größe ✓ \U0001F600.exe", "Größe ✓ \U0001F600.exe"),
    ("Modality.General.Label.Text.Font.Color", "0xFF00", "65280"),
])
def test_set_stores_text_int_and_float(station, key, value, stored):
    station.set(key, value)
    assert station.get(key) == stored


@pytest.mark.parametrize("call, code, key", [
    (lambda s: s.get("NoSuchKey"), viewersettings.UNKNOWN_KEY, "NoSuchKey"),
    (lambda s: s.set("NoSuchKey", 1), viewersettings.UNKNOWN_KEY, "NoSuchKey"),
    (lambda s: s.set("MinDiskSpace", "12abc"), viewersettings.BAD_VALUE, "MinDiskSpace"),
    (lambda s: s.set("DICOM.ImagePath", "x"), viewersettings.SET_FAILED, "DICOM.ImagePath"),
    (lambda s: s.set_many({"MinDiskSpace": 5, "ECG.PageStyle": "x", "LockStationTime": 9}),
     viewersettings.BAD_VALUE, "ECG.PageStyle"),
])
def test_refusals_raise_with_their_code_and_key_and_write_nothing(station, call, code, key):
    before = station.get("MinDiskSpace")
    with pytest.raises(viewersettings.SettingsError) as raised:
        call(station)
    assert raised.value.code == code
    assert raised.value.key == key
    assert key in str(raised.value)
    assert station.get("MinDiskSpace") == before
    assert station.get("LockStationTime") is None  # the first run stores none


def test_set_many_stores_every_value(station):
    values = {"WindowLastPos.Left": -10, "WindowLastPos.Top": 20, "MinDiskSpace": 3000}
    station.set_many(values)
    assert {key: station.get(key) for key in values} == {k: str(v) for k, v in values.items()}


def test_keys_lists_what_the_file_stores(station):
    keys = station.keys()
    assert len(keys) == 49 and "Modality.General.Label.Text.Font.Height" in keys
    station.set("WindowLastPos.Left", 5)
    assert set(station.keys()) - set(keys) == {f"WindowLastPos.{side}" for side in ("Left", "Right", "Top", "Bottom")}


def test_a_folder_where_no_file_can_be_made_raises(tmp_path):
    with pytest.raises(viewersettings.SettingsError) as raised:
        viewersettings.Station(tmp_path / "missing").get("MinDiskSpace")
    assert raised.value.code == viewersettings.FILE_ERROR


def test_stations_of_two_folders_in_one_process(tmp_path):
    first = viewersettings.Station(tmp_path / "first")
    second = viewersettings.Station(tmp_path / "second")
    for station in (first, second):
        os.mkdir(station.folder)
    first.set("MinDiskSpace", 1)
    second.set("MinDiskSpace", 2)
    assert (first.get("MinDiskSpace"), second.get("MinDiskSpace")) == ("1", "2")

    failures = []

    def work(station, value):
        for round in range(25):
            station.set("LockStationTime", value + round)
            if station.get("LockStationTime") != str(value + round):
                failures.append((station, round))

    threads = [threading.Thread(target=work, args=(s, v)) for s, v in ((first, 100), (second, 200))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
    assert (first.get("LockStationTime"), second.get("LockStationTime")) == ("124", "224")


def test_the_library_version_is_the_one_its_file_is_named_after():
    version = viewersettings.library_version()
    assert version >= viewersettings.MINIMUM_LIBRARY_VERSION
    path = os.path.realpath(os.environ["VIEWERSETTINGS_LIBRARY"])
    assert path.endswith(".so.%d.%d.%d" % version)
