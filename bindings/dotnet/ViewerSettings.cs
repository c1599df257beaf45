// The image viewer's station settings from .NET, through the settings library's C interface
// (ViewerSettingsC.h). Add this one source to a project; the library is viewersettings.dll beside
// the executable on Windows and libviewersettings.so where the loader finds it on Linux (Mono).
//
//   var station = new ViewerSettings.Station(@"D:\Station");  // the folder of the settings file
//   string dir = station.Get("DICOM.LocalImageDir");           // null when not stored
//   station.Set("MinDiskSpace", "2000");
//   station.SetMany(new Dictionary<string, string> { ["WindowLastPos.Left"] = "0" });
//
// C# 7.3 and .NET Framework 4 or later, modern .NET, Mono.
using System;
using System.Collections.Generic;
using System.IO;
using System.Runtime.InteropServices;
using System.Text;

namespace ViewerSettings
{
    /// <summary>A call the library refused or failed: Code is its result code, Key the key
    /// concerned (null where no one key was).</summary>
    public class SettingsException : Exception
    {
        public const int SetFailed = 5703;
        public const int FileError = 5704;
        public const int UnknownKey = 5705;
        public const int BadValue = 5706;

        public int Code { get; }
        public string Key { get; }

        public SettingsException(int code, string key, string folder)
            : base((key != null ? key + ": " : "") + Reason(code) + " [" + code + "] (station folder " +
                   folder + ")")
        {
            Code = code;
            Key = key;
        }

        static string Reason(int code)
        {
            switch (code)
            {
                case SetFailed:
                    return "not stored (a setting the library only reads, a list entry after a " +
                           "missing one, or the setter failed)";
                case FileError: return "the settings file can be neither read nor created";
                case UnknownKey: return "no setting has this key";
                case BadValue: return "the value does not fit the setting's type or range";
                default: return "unexpected result";
            }
        }
    }

    /// <summary>The settings of one station folder, the folder of its settings file (created with
    /// the first-run defaults by the first call when missing). Stations of several folders may be
    /// used in one process, from any thread.</summary>
    public class Station
    {
        const int GetOk = 5700, GetNotFound = 5701, SetOk = 5702;

        /// <summary>The oldest library whose C interface this source speaks.</summary>
        public static readonly Version MinimumLibraryVersion = new Version(1, 0, 0);

        // The library takes the station folder for the whole process: each call names its
        // folder and makes its call under this lock.
        static readonly object CallLock = new object();

        public string Folder { get; }

        public Station(string folder)
        {
            Folder = Path.GetFullPath(folder);
            var found = LibraryVersion;
            if (found < MinimumLibraryVersion)
                throw new InvalidOperationException("the settings library is version " + found +
                                                    "; this needs " + MinimumLibraryVersion + " or later");
        }

        /// <summary>The loaded library's version.</summary>
        public static Version LibraryVersion
        {
            get
            {
                int number = Native.XMLGetLibraryVersion();
                return new Version(number / 10000, number / 100 % 100, number % 100);
            }
        }

        /// <summary>The value as text; null when the file does not store it.</summary>
        public string Get(string key)
        {
            byte[] name = Units(key);
            int length = 0;
            while (true)
            {
                var buffer = new ushort[length + 1];
                int code;
                lock (CallLock)
                {
                    Native.XMLSetExeRootPath(Units(Folder));
                    code = Native.XMLGetSetting(name, buffer, buffer.Length, out length);
                }
                if (code == GetNotFound) return null;
                if (code != GetOk) throw new SettingsException(code, key, Folder);
                if (length < buffer.Length) return Text(buffer, length);
            }
        }

        public void Set(string key, string value)
        {
            Store(new[] { new KeyValuePair<string, string>(key, value) });
        }

        /// <summary>Stores every value, or none when any key or value is refused.</summary>
        public void SetMany(IDictionary<string, string> values)
        {
            if (values == null) throw new ArgumentNullException(nameof(values));
            Store(values);
        }

        void Store(IEnumerable<KeyValuePair<string, string>> values)
        {
            var keys = new List<string>();
            var texts = new List<string>();
            foreach (var pair in values)
            {
                keys.Add(pair.Key);
                texts.Add(pair.Value);
            }
            // Pinned while the library reads them.
            var handles = new List<GCHandle>();
            try
            {
                IntPtr[] keyPointers = Pin(keys, handles), valuePointers = Pin(texts, handles);
                int code, refused;
                lock (CallLock)
                {
                    Native.XMLSetExeRootPath(Units(Folder));
                    code = Native.XMLSetSettings(keys.Count, keyPointers, valuePointers, out refused);
                }
                if (code != SetOk)
                    throw new SettingsException(code, refused >= 0 && refused < keys.Count ? keys[refused] : null,
                                                Folder);
            }
            finally
            {
                foreach (var handle in handles) handle.Free();
            }
        }

        /// <summary>The keys of every setting the file stores.</summary>
        public string[] Keys()
        {
            int length = 0;
            while (true)
            {
                var buffer = new ushort[length + 1];
                int code;
                lock (CallLock)
                {
                    Native.XMLSetExeRootPath(Units(Folder));
                    code = Native.XMLListSettings(buffer, buffer.Length, out length);
                }
                if (code != GetOk) throw new SettingsException(code, null, Folder);
                if (length < buffer.Length)
                    return Text(buffer, length).Split(new[] { '\0' }, StringSplitOptions.RemoveEmptyEntries);
            }
        }

        // Text goes in and out as UTF-16 units in arrays that need no marshalling, the library's
        // text on every platform whatever a runtime makes of string and char parameters (Mono on
        // Linux marshals strings as UTF-8 by default).
        static byte[] Units(string text)
        {
            if (text == null) throw new ArgumentNullException(nameof(text));
            return Encoding.Unicode.GetBytes(text + "\0");
        }

        static string Text(ushort[] units, int length)
        {
            var text = new char[length];
            for (int i = 0; i < length; ++i) text[i] = (char)units[i];
            return new string(text);
        }

        static IntPtr[] Pin(List<string> texts, List<GCHandle> handles)
        {
            var pointers = new IntPtr[texts.Count];
            for (int i = 0; i < texts.Count; ++i)
            {
                var handle = GCHandle.Alloc(Units(texts[i]), GCHandleType.Pinned);
                handles.Add(handle);
                pointers[i] = handle.AddrOfPinnedObject();
            }
            return pointers;
        }

        static class Native
        {
            const string Library = "viewersettings";

            [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
            internal static extern int XMLGetSetting(byte[] key, [Out] ushort[] buffer, int capacity, out int length);

            [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
            internal static extern int XMLSetSettings(int count, IntPtr[] keys, IntPtr[] values, out int refused);

            [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
            internal static extern int XMLListSettings([Out] ushort[] buffer, int capacity, out int length);

            [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
            internal static extern void XMLSetExeRootPath(byte[] dir);

            [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
            internal static extern int XMLGetLibraryVersion();
        }
    }
}
