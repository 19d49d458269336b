// The message box that reports a program's error on the desktop. Without a desktop the
// error goes to the standard error stream only, and the null box shows nothing.
#pragma once

#include <string_view>

namespace zt {

class ErrorBox {
 public:
  virtual ~ErrorBox() = default;
  // A message box with an error icon and no owner; nothing when none can be shown.
  virtual void show(std::string_view caption, std::string_view text) = 0;
};

class NullErrorBox final : public ErrorBox {
 public:
  void show(std::string_view, std::string_view) override {}
};

}  // namespace zt
