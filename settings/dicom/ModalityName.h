// A modality name is written into the settings file as the name of an element directly under
// DICOMViewer, so it must be a name the XML engine reads back as one whole tag name.
#pragma once

#include <string>

namespace viewersettings::dicom {

// False for a name that would corrupt the document or address another element: the empty name
// (the engine's lookup then takes whatever element comes next), white space and other code
// units below U+0020, the characters that end a tag name or let a lookup accept a longer name
// (< > = \ / ? ! [ ]), quotes, and "&". Every other name, digits first included, is usable.
bool IsUsableModalityName(const std::u16string& name);

// What a usable name may not hold, for people.
inline constexpr char kModalityNameRefuses[] =
    "white space, control characters or any of < > = \\ / ? ! \" ' & [ ]";

}  // namespace viewersettings::dicom
