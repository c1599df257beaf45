// The viewer's FTP client. This library exports only its assignment, for modules linking against
// it; the client itself lives elsewhere.
#pragma once

#include "ViewerSettings.h"

class CFtpClient {
 public:
  CFtpClient() = default;
  CFtpClient(const CFtpClient&) = default;
  // A client holds no state that assignment carries over: nothing is copied.
  VIEWERSETTINGS_API CFtpClient& operator=(const CFtpClient& other);
};
