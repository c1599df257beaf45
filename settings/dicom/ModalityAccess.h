// The accesses of the per-modality settings, below SystemSetting/DICOMViewer/<modality>.
#pragma once

#include <initializer_list>
#include <string>

#include "store/Access.h"

namespace viewersettings::dicom {

// DICOMViewer/<modality> and then `below`; the modality's text must outlive the access.
inline store::FileAccess ModalityAccess(const std::u16string& modality,
                                        std::initializer_list<const char16_t*> below = {}) {
  return store::FileAccess({u"SystemSetting", u"DICOMViewer", modality.c_str()}).Below(below);
}

}  // namespace viewersettings::dicom
