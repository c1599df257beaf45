/* A host in plain C99 that knows the library only through ViewerSettingsC.h, as a module built
 * with another toolchain does: it lists and reads the settings of a first-run file, sets one of
 * each kind and several at once, and checks the results of the cases a caller must handle.
 *
 *   c_host DIR    DIR: an empty folder, which becomes the executable's directory */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ViewerSettingsC.h"

static int failures = 0;

#define CHECK(condition)                                             \
  do {                                                               \
    if (!(condition)) {                                              \
      printf("%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                    \
    }                                                                \
  } while (0)

#define UNITS 512

/* Text of one-byte characters (ASCII, or Latin-1 for a letter beyond it) as UTF-16 units. */
static const VSChar* U(const char* text, VSChar* units) {
  size_t i = 0;
  for (; text[i] != '\0' && i + 1 < UNITS; ++i) units[i] = (VSChar)(unsigned char)text[i];
  units[i] = 0;
  return units;
}

static size_t Length(const VSChar* units) {
  size_t n = 0;
  while (units[n] != 0) ++n;
  return n;
}

static int Equal(const VSChar* units, const char* text) {
  VSChar expected[UNITS];
  U(text, expected);
  return Length(units) == Length(expected) &&
         memcmp(units, expected, Length(units) * sizeof(VSChar)) == 0;
}

/* The value of a key as text of one-byte characters; "?" for any other unit. */
static int32_t Get(const char* key, char* text) {
  VSChar name[UNITS];
  VSChar value[UNITS];
  int32_t length = -1;
  size_t i;
  const int32_t result = XMLGetSetting(U(key, name), value, UNITS, &length);
  text[0] = '\0';
  if (result != XMLR_GET_OK) return result;
  CHECK(length >= 0 && length < UNITS && (size_t)length == Length(value));
  for (i = 0; value[i] != 0; ++i) text[i] = value[i] < 256 ? (char)value[i] : '?';
  text[i] = '\0';
  return result;
}

static int32_t Set(const char* key, const char* value) {
  VSChar name[UNITS];
  VSChar text[UNITS];
  return XMLSetSetting(U(key, name), U(value, text));
}

static void ExpectValue(const char* key, const char* expected) {
  char text[UNITS];
  const int32_t result = Get(key, text);
  if (result != XMLR_GET_OK || strcmp(text, expected) != 0) {
    printf("%s: %ld \"%s\", expected \"%s\"\n", key, (long)result, text, expected);
    ++failures;
  }
}

/* The list of a first-run file; each key reads. */
static void ListAndReadEverything(void) {
  int32_t length = -1;
  int32_t again = -1;
  int32_t keys = 0;
  int seen = 0;
  VSChar* list;
  VSChar small[24];
  const VSChar* key;
  CHECK(XMLListSettings(NULL, 0, &length) == XMLR_GET_OK);
  CHECK(length > 100);
  list = (VSChar*)malloc(((size_t)length + 1) * sizeof(VSChar));
  if (!list) exit(2);
  CHECK(XMLListSettings(list, length + 1, &again) == XMLR_GET_OK && again == length);
  CHECK(list[length] == 0 && list[length - 1] == 0);
  for (key = list; *key != 0; key += Length(key) + 1) {
    VSChar value[UNITS];
    int32_t size = -1;
    const int32_t result = XMLGetSetting(key, value, UNITS, &size);
    ++keys;
    CHECK(result == XMLR_GET_OK && size >= 0);
    seen +=
        Equal(key, "DICOM.LocalImageDir") + Equal(key, "Modality.General.Label.Text.Font.Height");
  }
  CHECK(seen == 2);
  /* The first run stores the local and DICOM settings, the flags, the process name, the list
   * of modalities and the display settings of "General". */
  CHECK(keys == 49);

  /* A buffer too small for the list holds the whole keys that fit, and the end of the list. */
  for (keys = 0; keys < 24; ++keys) small[keys] = 'z';
  CHECK(XMLListSettings(small, 24, &again) == XMLR_GET_OK && again == length);
  CHECK(Equal(small, "MinDiskSpace") && small[13] == 0 && small[14] == 'z');
  free(list);
}

static void SetOneOfEachKind(void) {
  VSChar name[UNITS];
  VSChar text[UNITS];
  VSChar value[UNITS];
  int32_t length = -1;
  /* an integer, in decimal and in hexadecimal */
  CHECK(Set("MinDiskSpace", "2048") == XMLR_SET_OK);
  ExpectValue("MinDiskSpace", "2048");
  CHECK(Set("Modality.General.Label.Text.Font.Color", "0xFF00") == XMLR_SET_OK);
  ExpectValue("Modality.General.Label.Text.Font.Color", "65280");
  /* a one-byte font field, and the face name */
  CHECK(Set("Modality.General.Label.Text.Font.Italic", "1") == XMLR_SET_OK);
  ExpectValue("Modality.General.Label.Text.Font.Italic", "1");
  CHECK(Set("Modality.General.Label.Text.Font.FaceName", "Arial") == XMLR_SET_OK);
  ExpectValue("Modality.General.Label.Text.Font.FaceName", "Arial");
  /* a float, as the file stores it */
  CHECK(Set("ECG.ZoomRatio", "2.25") == XMLR_SET_OK);
  ExpectValue("ECG.ZoomRatio", "2.250000");
  /* text with markup and a letter beyond ASCII, unit for unit */
  CHECK(Set("DUZOProcessName", "\xC4 & <b>.exe") == XMLR_SET_OK);
  CHECK(XMLGetSetting(U("DUZOProcessName", name), value, UNITS, &length) == XMLR_GET_OK);
  CHECK(Equal(value, "\xC4 & <b>.exe") && value[0] == 0xC4);
  /* an entry of a list: the next modality */
  CHECK(XMLSetSetting(U("DICOM.Modality1", name), U("CT", text)) == XMLR_SET_OK);
  ExpectValue("DICOM.Modality1", "CT");
}

static void SetSeveralAtOnce(void) {
  VSChar k[4][UNITS];
  VSChar v[4][UNITS];
  const VSChar* keys[4];
  const VSChar* values[4];
  const char* names[4] = {"WindowLastPos.Left", "WindowLastPos.Top", "MinDiskSpace",
                          "LockStationTime"};
  const char* texts[4] = {"-10", "20", "3000", "5"};
  int32_t refused = -2;
  int i;
  for (i = 0; i < 4; ++i) {
    keys[i] = U(names[i], k[i]);
    values[i] = U(texts[i], v[i]);
  }
  CHECK(XMLSetSettings(4, keys, values, &refused) == XMLR_SET_OK && refused == -1);
  for (i = 0; i < 4; ++i) ExpectValue(names[i], texts[i]);

  /* One value that does not fit: none is written, and the caller is told which. */
  U("1", v[2]);
  U("99999", v[3]);
  U("ECG.PageStyle", k[3]);
  CHECK(XMLSetSettings(4, keys, values, &refused) == XMLR_BAD_VALUE && refused == 3);
  ExpectValue("MinDiskSpace", "3000");
}

static void ResultsACallerHandles(const char* dir) {
  VSChar name[UNITS];
  VSChar value[UNITS];
  VSChar small[4];
  VSChar path[UNITS];
  char text[UNITS];
  int32_t length = -1;
  int32_t full = -1;

  CHECK(Get("NoSuchKey", text) == XMLR_UNKNOWN_KEY);
  CHECK(Set("NoSuchKey", "1") == XMLR_UNKNOWN_KEY);
  CHECK(Set("Modality.C T.DisplayKIN", "1") == XMLR_UNKNOWN_KEY);
  CHECK(Set("MinDiskSpace", "12abc") == XMLR_BAD_VALUE);
  CHECK(Set("DICOM.LocalMaxSCPCount", "32768") == XMLR_BAD_VALUE);
  CHECK(Set("DICOM.ImagePath", "x") == XMLR_SET_FAILED);
  ExpectValue("MinDiskSpace", "3000");

  /* Not stored: the buffer stays as it was. */
  value[0] = 'x';
  value[1] = 0;
  length = 77;
  CHECK(XMLGetSetting(U("DICOM.PartZoom.ZoomRatio", name), value, UNITS, &length) ==
        XMLR_GET_NOT_FOUND);
  CHECK(value[0] == 'x' && length == 77);

  /* Too small: cut and terminated, with the full length to retry with. */
  CHECK(XMLGetSetting(U("DICOM.LocalImageDir", name), small, 4, &full) == XMLR_GET_OK);
  CHECK(full > 4 && small[3] == 0 && Length(small) == 3);
  CHECK(XMLGetSetting(name, value, full + 1, &length) == XMLR_GET_OK && length == full);
  CHECK(Length(value) == (size_t)full && memcmp(value, small, 3 * sizeof(VSChar)) == 0);
  CHECK(XMLGetSetting(name, NULL, 0, &length) == XMLR_GET_OK && length == full);

  /* A folder where no file can be created. */
  strcpy(text, dir);
  strcat(text, "/no-such-folder");
  XMLSetExeRootPath(U(text, path));
  CHECK(Get("MinDiskSpace", text) == XMLR_FILE_ERROR);
  CHECK(Set("MinDiskSpace", "1") == XMLR_FILE_ERROR);
  CHECK(XMLListSettings(NULL, 0, &length) == XMLR_FILE_ERROR);
  XMLSetExeRootPath(U(dir, path));
  ExpectValue("MinDiskSpace", "3000");
}

int main(int argc, char** argv) {
  VSChar dir[UNITS];
  if (argc != 2) {
    printf("usage: c_host DIR\n");
    return 2;
  }
  XMLSetExeRootPath(U(argv[1], dir));
  /* The first call finds no file and creates it with the first-run defaults. */
  ExpectValue("MinDiskSpace", "1000");
  ListAndReadEverything();
  SetOneOfEachKind();
  SetSeveralAtOnce();
  ResultsACallerHandles(argv[1]);
  XMLSetExeRootPath(NULL);
  printf("c host: %d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
