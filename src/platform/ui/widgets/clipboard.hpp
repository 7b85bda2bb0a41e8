#pragma once
// The clipboard the widgets use: the window's system clipboard, or an in-process one headless.
#include <functional>
#include <string>

namespace vexa_ui {

struct Clipboard {
  std::function<std::string()> get;
  std::function<void(const std::string&)> set;

  static Clipboard& current();  // process-wide; the launcher installs the window's
};

}  // namespace vexa_ui
