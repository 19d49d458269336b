// The desktop window on SDL2: one window with a renderer that keeps it black until the
// display draws into it, its events translated into window messages (scan codes into the
// language's key numbers, typed text into 8-bit characters), the desktop clipboard and
// the error message box. The screen saver is held off only while the window is active.
#include <SDL.h>
#ifdef ZT_X11
#include <SDL_syswm.h>
#endif

#include <initializer_list>

#include "platform/keys.h"
#include "platform/platform.h"
#include "platform/sdl_presenter.h"

namespace zt {

namespace {

constexpr int WindowedWidth = 640;
constexpr int WindowedHeight = 480;

// The characters a key press types that arrive as no text event: Enter, backspace, tab,
// Escape, and control with a letter.
int controlCharacter(const SDL_Keysym& k) {
  switch (k.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return 13;
    case SDLK_BACKSPACE:
      return 8;
    case SDLK_TAB:
      return 9;
    case SDLK_ESCAPE:
      return 27;
    default:
      break;
  }
  if ((k.mod & KMOD_CTRL) && k.sym >= SDLK_a && k.sym <= SDLK_z) return int(k.sym - SDLK_a + 1);
  return 0;
}

// Programs work in 8-bit text: code points up to 255 pass, others are dropped.
std::string utf8ToLatin1(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t code = c;
    size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (length > 1) {
      if (i + length > text.size()) break;
      code = c & (0x7F >> length);
      for (size_t j = 1; j < length; ++j) code = code << 6 | (static_cast<unsigned char>(text[i + j]) & 0x3F);
    }
    if (code < 256) out += char(code);
    i += length;
  }
  return out;
}

std::string latin1ToUtf8(std::string_view text) {
  std::string out;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out += ch;
    else {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class DesktopErrorBox final : public ErrorBox {
 public:
  void show(std::string_view caption, std::string_view text) override {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, std::string(caption).c_str(), std::string(text).c_str(), nullptr);
  }
};

class DesktopClipboard final : public Clipboard {
 public:
  void setText(std::string_view text) override { SDL_SetClipboardText(latin1ToUtf8(text).c_str()); }
  std::string text() const override {
    char* utf8 = SDL_GetClipboardText();
    std::string out = utf8 ? utf8ToLatin1(utf8) : std::string();
    SDL_free(utf8);
    return out;
  }
};

// SDL falls back to drivers that show nothing; a window nobody can see or close is no
// window, unless those drivers were asked for by name.
bool hasDisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* requested = SDL_getenv("SDL_VIDEODRIVER");
  if (!driver) return false;
  if (std::string_view(driver) != "offscreen" && std::string_view(driver) != "dummy") return true;
  return requested && std::string_view(requested) == driver;
}

// Whether a GPU can draw into the window. On X11 that takes direct rendering, which the
// X server offers as an extension; a virtual or remote server has none, and OpenGL there
// is a software rasterizer that takes about 100 ms to start. Other systems are taken to
// have one.
bool hasGraphicsAccelerator([[maybe_unused]] SDL_Window* window) {
#ifdef ZT_X11
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  int opcode = 0, event = 0, error = 0;
  for (const char* extension : {"DRI3", "DRI2", "NV-GLX"})
    if (XQueryExtension(info.info.x11.display, extension, &opcode, &event, &error)) return true;
  return false;
#else
  return true;
#endif
}

// The renderer that starts fastest: the GPU's when there is one, else SDL's software
// renderer drawing straight into the window (by default its window surface would itself
// be an OpenGL texture).
SDL_Renderer* createRenderer(SDL_Window* window) {
  if (hasGraphicsAccelerator(window)) return SDL_CreateRenderer(window, -1, 0);
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  return SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
}

// libwayland writes "XDG_RUNTIME_DIR is invalid or not set" to stderr when SDL probes for a
// compositor without the runtime folder one would be found in. Without that folder (and
// without an absolute WAYLAND_DISPLAY) there is no compositor to find, so SDL is given the
// other drivers to try, unless the user chose one.
void skipUnreachableWayland() {
  if (SDL_getenv("SDL_VIDEODRIVER")) return;
  const char* runtime = SDL_getenv("XDG_RUNTIME_DIR");
  const char* display = SDL_getenv("WAYLAND_DISPLAY");
  if ((runtime && *runtime) || (display && *display == '/')) return;
  std::string others;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const std::string_view driver = SDL_GetVideoDriver(i);
    if (driver == "wayland") continue;
    if (!others.empty()) others += ',';
    others += driver;
  }
  SDL_SetHint(SDL_HINT_VIDEODRIVER, others.c_str());
}

class DesktopWindow final : public Window {
 public:
  ~DesktopWindow() override {
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool create(std::string& error) {
    skipUnreachableWayland();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      error = SDL_GetError();
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    if (!hasDisplay()) {
      error = "no display (run with --headless to run without one)";
      return false;
    }
    window = SDL_CreateWindow("Zentropia", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WindowedWidth,
                              WindowedHeight, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (window) renderer = createRenderer(window);
    if (!renderer) error = SDL_GetError();
    return renderer != nullptr;
  }

  void setTitle(std::string_view title) override { SDL_SetWindowTitle(window, std::string(title).c_str()); }

  bool show(bool fullScreen, std::string& error) override {
    if (fullScreen) {
      // Covering the display first keeps the window full screen where no window manager
      // applies the full-screen state.
      SDL_Rect bounds;
      if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &bounds) == 0) {
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
        SDL_SetWindowSize(window, bounds.w, bounds.h);
      }
      if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        error = SDL_GetError();
        return false;
      }
    }
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    paintBackground();
    return true;
  }

  void pollEvents() override {
    SDL_Event e;
    while (SDL_PollEvent(&e)) translate(e);
  }

  bool waitEvents(int milliseconds) override {
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, milliseconds)) translate(e);
    pollEvents();
    return true;
  }

  void showCursor(bool shown) override { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }
  std::unique_ptr<Presenter> createPresenter() override { return makeSdlPresenter(window, renderer); }

 private:
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;

  void paintBackground() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
  }

  void translate(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT:
        post({MessageKind::Close});
        break;
      case SDL_WINDOWEVENT:
        translateWindowEvent(e.window);
        break;
      case SDL_KEYDOWN:
        if (int key = keyNumberOfScancode(e.key.keysym.scancode)) post({MessageKind::KeyDown, key});
        if (int c = controlCharacter(e.key.keysym)) post({MessageKind::Char, c});
        break;
      case SDL_KEYUP:
        if (int key = keyNumberOfScancode(e.key.keysym.scancode)) post({MessageKind::KeyUp, key});
        break;
      case SDL_TEXTINPUT:
        for (char c : utf8ToLatin1(e.text.text)) post({MessageKind::Char, static_cast<unsigned char>(c)});
        break;
      case SDL_MOUSEMOTION:
        post({MessageKind::MouseMove, e.motion.x, e.motion.y});
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (int button = mouseButton(e.button.button); button >= 0)
          post({e.type == SDL_MOUSEBUTTONDOWN ? MessageKind::ButtonDown : MessageKind::ButtonUp, button});
        break;
      case SDL_MOUSEWHEEL:
        post({MessageKind::Wheel, (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y) * WheelNotch});
        break;
      default:
        break;
    }
  }

  void translateWindowEvent(const SDL_WindowEvent& w) {
    switch (w.event) {
      case SDL_WINDOWEVENT_CLOSE:
        post({MessageKind::Close});
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        SDL_DisableScreenSaver();
        post({MessageKind::Activate, 1});
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        SDL_EnableScreenSaver();
        post({MessageKind::Activate, 0});
        break;
      case SDL_WINDOWEVENT_EXPOSED:
        paintBackground();
        post({MessageKind::Paint});
        break;
      default:
        break;
    }
  }

  static int mouseButton(uint8_t sdlButton) {
    switch (sdlButton) {
      case SDL_BUTTON_LEFT:
        return 0;
      case SDL_BUTTON_RIGHT:
        return 1;
      case SDL_BUTTON_MIDDLE:
        return 2;
      case SDL_BUTTON_X1:
        return 3;
      default:
        return -1;
    }
  }
};

}  // namespace

PlatformServices makeDesktopServices(std::string& error) {
  PlatformServices services{nullptr, std::make_unique<DesktopClipboard>(), std::make_unique<DesktopErrorBox>(),
                            createSdlAudioDevice()};
  auto window = std::make_unique<DesktopWindow>();
  if (window->create(error)) services.window = std::move(window);
  return services;
}

}  // namespace zt
