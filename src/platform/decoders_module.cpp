// The media decoders through the decoder module: it is looked for beside the
// running executable, then in the folder the engine was built in (where tests and
// benchmarks in sub-folders find it). The system keeps one copy loaded however often it
// is opened, and it stays loaded, as decoders made by it may live until shutdown.
#include "platform/decoders_module.h"

#include <dlfcn.h>

#include <filesystem>

namespace zt {

namespace {

void* loadModule(std::string& why) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  for (const std::filesystem::path& folder : {self.parent_path(), std::filesystem::path(ZT_MODULE_DIR)}) {
    if (folder.empty()) continue;
    if (void* module = dlopen((folder / MediaModule).c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
    const char* error = dlerror();
    why = std::string("the media decoders cannot be loaded: ") + (error ? error : MediaModule);
  }
  return nullptr;
}

template <typename Entry>
Entry entry(const char* name, std::string& why) {
  void* module = loadModule(why);
  if (!module) return nullptr;
  auto found = reinterpret_cast<Entry>(dlsym(module, name));
  if (!found) why = std::string("the media decoder module has no ") + name;
  return found;
}

}  // namespace

std::unique_ptr<VideoDecoder> openVideo(const std::string& path, std::string& why) {
  OpenVideoEntry open = entry<OpenVideoEntry>("ztOpenVideo", why);
  return std::unique_ptr<VideoDecoder>(open ? open(path, why) : nullptr);
}

std::unique_ptr<AudioStream> openSoundTrack(const std::string& path) {
  std::string why;
  OpenSoundTrackEntry open = entry<OpenSoundTrackEntry>("ztOpenSoundTrack", why);
  return std::unique_ptr<AudioStream>(open ? open(path) : nullptr);
}

OpenedMusic openAudioFile(const std::string& path, std::string& error) {
  OpenAudioFileEntry open = entry<OpenAudioFileEntry>("ztOpenAudioFile", error);
  OpenedMusic music;
  if (open) music.stream.reset(open(path, error, &music.lengthMilliseconds));
  return music;
}

std::unique_ptr<MidiSynthesizer> createMidiSynthesizer(std::string& error) {
  CreateMidiSynthesizerEntry create = entry<CreateMidiSynthesizerEntry>("ztCreateMidiSynthesizer", error);
  return std::unique_ptr<MidiSynthesizer>(create ? create(error) : nullptr);
}

}  // namespace zt
