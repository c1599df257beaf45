// Stand-in for the application framework's button control, from which the viewer's buttons
// derive. The framework lies outside this library, and nothing exported here touches the base,
// so it carries nothing of its own.
#pragma once

class CControlBase {
 protected:
  CControlBase() = default;
};
