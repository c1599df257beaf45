// The .NET source as a host uses it, compiled with Mono's compiler and run against the library
// (found by the loader: LD_LIBRARY_PATH). StationTest DIR: DIR, an empty folder to work in.
using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Threading;
using ViewerSettings;

static class StationTest
{
    static int failures;

    static void Expect<T>(string what, T actual, T expected)
    {
        if (EqualityComparer<T>.Default.Equals(actual, expected)) return;
        Console.WriteLine(what + ": " + actual + ", expected " + expected);
        ++failures;
    }

    static void Refused(string what, Action call, int code, string key, Station station)
    {
        string before = station.Get("MinDiskSpace");
        try
        {
            call();
            Expect(what + " raised", false, true);
        }
        catch (SettingsException error)
        {
            Expect(what + ": code", error.Code, code);
            Expect(what + ": key", error.Key, key);
            Expect(what + ": message names the key", error.Message.Contains(key), true);
        }
        Expect(what + ": nothing written", station.Get("MinDiskSpace"), before);
    }

    static Station Fresh(string root, string name)
    {
        string folder = Path.Combine(root, name);
        Directory.CreateDirectory(folder);
        return new Station(folder);
    }

    static int Main(string[] args)
    {
        string root = args[0];
        var station = Fresh(root, "station");
        Expect("a first-run value", station.Get("MinDiskSpace"), "1000");
        Expect("not stored", station.Get("WindowLastPos.Left"), null);

        var cases = new[] {
            new[] { "MinDiskSpace", "2048", "2048" }, new[] { "ECG.ZoomRatio", "2.25", "2.250000" },
            new[] { "DUZOProcessName", "Größe ✓ \U0001F600.exe", "Größe ✓ \U0001F600.exe" },
            new[] { "Modality.General.Label.Text.Font.Color", "0xFF00", "65280" } };
        foreach (var each in cases)
        {
            station.Set(each[0], each[1]);
            Expect(each[0], station.Get(each[0]), each[2]);
        }
        station.SetMany(new Dictionary<string, string> { ["WindowLastPos.Left"] = "-10", ["WindowLastPos.Top"] = "20" });
        Expect("set many", station.Get("WindowLastPos.Left") + " " + station.Get("WindowLastPos.Top"), "-10 20");

        Refused("unknown key (get)", () => station.Get("NoSuchKey"), SettingsException.UnknownKey, "NoSuchKey", station);
        Refused("unknown key (set)", () => station.Set("NoSuchKey", "1"), SettingsException.UnknownKey, "NoSuchKey", station);
        Refused("bad value", () => station.Set("MinDiskSpace", "12abc"), SettingsException.BadValue, "MinDiskSpace", station);
        Refused("one bad value of many", () => station.SetMany(new Dictionary<string, string> {
            ["MinDiskSpace"] = "5", ["ECG.PageStyle"] = "x" }), SettingsException.BadValue, "ECG.PageStyle", station);
        Refused("no file can be made", () => new Station(Path.Combine(root, "missing")).Get("MinDiskSpace"),
                SettingsException.FileError, "MinDiskSpace", station);

        var keys = station.Keys();
        Expect("keys", keys.Contains("Modality.General.Label.Text.Font.Height") && keys.Contains("WindowLastPos.Top") &&
                       keys.All(key => key.Length > 0), true);

        // Two folders in one process, one after the other and from two threads.
        var first = Fresh(root, "first");
        var second = Fresh(root, "second");
        first.Set("MinDiskSpace", "1");
        second.Set("MinDiskSpace", "2");
        Expect("two stations", first.Get("MinDiskSpace") + second.Get("MinDiskSpace"), "12");
        var threads = new[] { (first, 100), (second, 200) }.Select(work => new Thread(() => {
            for (int round = 0; round < 25; ++round)
            {
                work.Item1.Set("LockStationTime", (work.Item2 + round).ToString());
                Expect("from a thread", work.Item1.Get("LockStationTime"), (work.Item2 + round).ToString());
            }
        })).ToList();
        threads.ForEach(thread => thread.Start());
        threads.ForEach(thread => thread.Join());
        Expect("after the threads", first.Get("LockStationTime") + " " + second.Get("LockStationTime"), "124 224");

        Console.WriteLine("dotnet: " + failures + " failure(s)");
        return failures == 0 ? 0 : 1;
    }
}
