#include "host/host.h"

#include "core/runtime.h"

namespace zt {

void postQuit(Runtime& rt) { rt.host.QuitPosted = true; }

void echoText(Runtime& rt, std::string_view text, bool endLine) {
  HostState& h = rt.host;
  if (!h.Echo) return;
  std::fwrite(text.data(), 1, text.size(), h.Echo);
  if (endLine) {
    std::fputc('\n', h.Echo);
    std::fflush(h.Echo);  // whoever reads the echo sees each line when it is printed
  }
  h.EchoLineOpen = !endLine;
}

}  // namespace zt
