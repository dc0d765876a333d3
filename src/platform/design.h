// A compact way to write a form's design-time table.
#pragma once

#include <string>

#include "platform/ui.h"

namespace tarvolin::platform {

inline ControlDesign Place(ControlKind kind, std::string name, std::string caption, float left,
                           float top, float width, float height, int tabIndex = -1,
                           std::string container = {}, bool visible = true) {
  ControlDesign design;
  design.kind = kind;
  design.name = std::move(name);
  design.caption = std::move(caption);
  design.left = left;
  design.top = top;
  design.width = width;
  design.height = height;
  design.tabIndex = tabIndex;
  design.container = std::move(container);
  design.visible = visible;
  return design;
}

}  // namespace tarvolin::platform
