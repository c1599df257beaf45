// Defined here rather than in the header so that the library holds and exports it.
#include "controls/FtpClient.h"

CFtpClient& CFtpClient::operator=(const CFtpClient&) {
  return *this;
}
