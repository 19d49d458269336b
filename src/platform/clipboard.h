// The clipboard's text. The window layer puts the desktop clipboard behind this
// interface; the null one (headless runs) keeps the text inside the process.
#pragma once

#include <string>
#include <string_view>

namespace zt {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual void setText(std::string_view text) = 0;
  // Empty when the clipboard holds no text.
  virtual std::string text() const = 0;
};

class LocalClipboard : public Clipboard {
 public:
  void setText(std::string_view text) override { stored.assign(text); }
  std::string text() const override { return stored; }

 private:
  std::string stored;
};

}  // namespace zt
