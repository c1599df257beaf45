/* ViewerSettingsC.h: the settings library's C interface, for hosts of any toolchain or language.
 *
 * Every setting has a key ("MinDiskSpace", "DICOM.LocalImageDir",
 * "Modality.General.Label.Text.Font.Height", "PatListHeader.0.ColumnName",
 * "ECG.ColorSetting.Wave.Red", ...; `viewer-settings get --help` lists them all) and a value
 * given as text: integers in decimal (or hexadecimal after "0x" when setting), floats as the
 * file stores them (six decimals), text as it is. Each call reads the settings file beside the
 * executable, and a setter stores through the same exported function as the C++ interface, so
 * the file is written exactly as the viewer writes it.
 *
 * Text is UTF-16: VSChar is wchar_t on Windows and uint16_t elsewhere; every string passed in is
 * terminated by a 0 unit. The functions use the C calling convention (cdecl) and never keep a
 * pointer they were given. This header is C99 and needs nothing else.
 *
 * A host that is not the viewer names its station folder (the folder of the settings file) with
 * XMLSetExeRootPath before its first call; without it the library uses the folder of the running
 * executable, which for a script host is the interpreter's. */
#ifndef VIEWERSETTINGS_C_H
#define VIEWERSETTINGS_C_H

#include <stdint.h>

#if defined(_WIN32)
#include <stddef.h>
typedef wchar_t VSChar;
#else
typedef uint16_t VSChar;
#endif

/* VS_TEXT("MinDiskSpace"): a literal of VSChar units. L"..." on Windows; elsewhere u"...", which
 * needs C11 (or C++11): a C99 host there converts its text at run time instead. */
#if defined(_WIN32)
#define VS_TEXT(text) L##text
#elif defined(__cplusplus)
#define VS_TEXT(text) (reinterpret_cast<const VSChar*>(u##text))
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define VS_TEXT(text) u##text
#endif

/* The number XMLGetLibraryVersion answers for a version: 1.2.3 is 10203. */
#define VIEWERSETTINGS_VERSION_OF(major, minor, patch) ((major)*10000 + (minor)*100 + (patch))

#if defined(_WIN32)
#if defined(VIEWERSETTINGS_STATIC)
#define VIEWERSETTINGS_API
#elif defined(VIEWERSETTINGS_BUILDING)
#define VIEWERSETTINGS_API __declspec(dllexport)
#else
#define VIEWERSETTINGS_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define VIEWERSETTINGS_API __attribute__((visibility("default")))
#else
#define VIEWERSETTINGS_API
#endif

/* The results that all the library's functions share. Where ViewerSettings.h is included first,
 * its typed constants stand for these. */
#if !defined(VIEWERSETTINGS_RESULT_CODES)
#define VIEWERSETTINGS_RESULT_CODES
#define XMLR_GET_OK 5700        /* found, the value copied */
#define XMLR_GET_NOT_FOUND 5701 /* the file does not store it */
#define XMLR_SET_OK 5702        /* stored and written */
#define XMLR_SET_FAILED 5703    /* not stored: nothing of it was written */
#define XMLR_FILE_ERROR 5704    /* the settings file can be neither read nor created */
#endif
/* The results of this interface alone. Nothing is written when a setter answers one of them. */
#define XMLR_UNKNOWN_KEY 5705 /* no setting has this key */
#define XMLR_BAD_VALUE 5706   /* the text does not fit the setting's type or range */

#ifdef __cplusplus
extern "C" {
#endif

/* The value of one setting. XMLR_GET_OK: `buffer` holds the text, cut to fit `capacity` units
 * and always terminated (nothing is cut between the two units of a surrogate pair), and *length
 * is the full length without the terminator: when *length >= capacity, call again with a buffer
 * of *length + 1 units. A null buffer with capacity 0 only asks for the length. On any other
 * result (XMLR_GET_NOT_FOUND, XMLR_FILE_ERROR, XMLR_UNKNOWN_KEY) neither `buffer` nor *length is
 * touched. `length` may be null. */
VIEWERSETTINGS_API int32_t XMLGetSetting(const VSChar* key, VSChar* buffer, int32_t capacity,
                                         int32_t* length);

/* Stores one setting through its group's setter: the group is read, the one value changed and
 * the group stored. XMLR_SET_OK, XMLR_SET_FAILED, XMLR_FILE_ERROR, XMLR_UNKNOWN_KEY or
 * XMLR_BAD_VALUE. A setting that the library only reads (DICOM.ImagePath) and an entry of a list
 * that cannot be added there (a patient-list column after a missing one) answer
 * XMLR_SET_FAILED. A group's settings that the file did not hold are stored with their initial
 * values along with it. */
VIEWERSETTINGS_API int32_t XMLSetSetting(const VSChar* key, const VSChar* value);

/* Stores `count` settings, keys[i] to values[i]. Every key and value is checked first, and
 * nothing is written unless all of them fit; then each group is stored with one call of its
 * setter, and no other writer comes in between. The result is that of the first pair refused,
 * or of the first setter that failed (the groups before it are stored), else XMLR_SET_OK.
 * *refused is the index of that first pair refused (by XMLR_UNKNOWN_KEY, XMLR_BAD_VALUE or
 * XMLR_SET_FAILED), else -1: nothing refused, or a failure of the file or a setter that no pair
 * alone caused. `refused` may be null. */
VIEWERSETTINGS_API int32_t XMLSetSettings(int32_t count, const VSChar* const* keys,
                                          const VSChar* const* values, int32_t* refused);

/* Every key that the file stores, the per-modality keys of each added modality included, each
 * terminated, the list ended by an empty one (as REG_MULTI_SZ). Sized as XMLGetSetting: *length
 * counts every unit but the final terminator, the buffer holds the whole keys that fit and is
 * always ended by the empty one. XMLR_GET_OK or XMLR_FILE_ERROR. */
VIEWERSETTINGS_API int32_t XMLListSettings(VSChar* buffer, int32_t capacity, int32_t* length);

/* The station folder: a non-empty `dir` is taken as the executable's directory from then on, for
 * every call of the library in this process; null or empty returns to the real one. Every host
 * that is not the viewer's executable (a script's interpreter, a tool, a test) names its folder
 * here. */
VIEWERSETTINGS_API void XMLSetExeRootPath(const VSChar* dir);

/* The library's version as VIEWERSETTINGS_VERSION_OF gives it, so that a host can refuse a
 * library older than it needs: XMLGetLibraryVersion() >= VIEWERSETTINGS_VERSION_OF(1, 0, 0). */
VIEWERSETTINGS_API int32_t XMLGetLibraryVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* VIEWERSETTINGS_C_H */
