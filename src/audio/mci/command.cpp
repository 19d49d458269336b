#include "audio/mci/command.h"

#include <cctype>
#include <optional>
#include <vector>

namespace zt {

namespace {

bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Words separated by blanks; a word that starts with a double quote runs to the next one
// and may hold blanks (file names).
MciError splitWords(std::string_view text, std::vector<std::string_view>& words) {
  size_t i = 0;
  while (i < text.size()) {
    if (isSpace(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) return MciError::UnterminatedQuote;
      words.push_back(text.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !isSpace(text[end])) ++end;
    words.push_back(text.substr(i, end - i));
    i = end;
  }
  return MciError::None;
}

std::optional<uint32_t> decimal(std::string_view word) {
  if (word.empty() || word.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + uint64_t(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return uint32_t(value);
}

std::optional<MciVerb> verbOf(std::string_view word) {
  static constexpr std::pair<const char*, MciVerb> Verbs[] = {
      {"open", MciVerb::Open},     {"close", MciVerb::Close},   {"play", MciVerb::Play},
      {"stop", MciVerb::Stop},     {"pause", MciVerb::Pause},   {"resume", MciVerb::Resume},
      {"status", MciVerb::Status}, {"set", MciVerb::Set},       {"setaudio", MciVerb::SetAudio},
  };
  for (const auto& [name, verb] : Verbs)
    if (sameWord(word, name)) return verb;
  return std::nullopt;
}

// Reads the items after the device word by word.
class ItemReader {
 public:
  ItemReader(const std::vector<std::string_view>& words, MciCommand& out) : words_(words), out_(out) {}

  MciError read() {
    while (at_ < words_.size()) {
      const std::string_view word = words_[at_++];
      if (sameWord(word, "wait") || sameWord(word, "notify")) continue;
      const MciError e = item(word);
      if (e != MciError::None) return e;
    }
    return finish();
  }

 private:
  MciError item(std::string_view word) {
    switch (out_.verb) {
      case MciVerb::Open:
        if (sameWord(word, "shareable")) return MciError::None;
        if (sameWord(word, "alias")) return text(out_.alias);
        if (sameWord(word, "type")) {
          std::string ignored;
          return text(ignored);
        }
        break;
      case MciVerb::Play:
        if (sameWord(word, "from")) return number(out_.from, out_.hasFrom);
        break;
      case MciVerb::Status:
        if (out_.status != MciStatusItem::None) break;
        if (sameWord(word, "length")) return status(MciStatusItem::Length);
        if (sameWord(word, "position")) return status(MciStatusItem::Position);
        if (sameWord(word, "mode")) return status(MciStatusItem::Mode);
        break;
      case MciVerb::Set:
        if (sameWord(word, "time")) return timeFormat();
        if (sameWord(word, "speed")) return number(out_.speed, out_.hasSpeed);
        break;
      case MciVerb::SetAudio:
        if (sameWord(word, "volume")) return volume();
        break;
      default:
        break;
    }
    return MciError::UnknownKeyword;
  }

  MciError text(std::string& into) {
    if (at_ >= words_.size()) return MciError::MissingValue;
    into = std::string(words_[at_++]);
    return into.empty() ? MciError::MissingValue : MciError::None;
  }

  MciError number(uint32_t& into, bool& given) {
    if (at_ >= words_.size()) return MciError::MissingValue;
    const std::optional<uint32_t> n = decimal(words_[at_++]);
    if (!n) return MciError::BadNumber;
    into = *n;
    given = true;
    return MciError::None;
  }

  MciError status(MciStatusItem item) {
    out_.status = item;
    return MciError::None;
  }

  // "time format tmsf" / "time format milliseconds" / "time format ms".
  MciError timeFormat() {
    if (at_ + 1 >= words_.size()) return MciError::MissingValue;
    if (!sameWord(words_[at_++], "format")) return MciError::UnknownKeyword;
    const std::string_view name = words_[at_++];
    if (sameWord(name, "tmsf"))
      out_.timeFormat = MciTimeFormat::Tmsf;
    else if (sameWord(name, "milliseconds") || sameWord(name, "ms"))
      out_.timeFormat = MciTimeFormat::Milliseconds;
    else
      return MciError::BadTimeFormat;
    return MciError::None;
  }

  // "volume to N", N from 0 to 1000.
  MciError volume() {
    if (at_ >= words_.size()) return MciError::MissingValue;
    if (!sameWord(words_[at_++], "to")) return MciError::UnknownKeyword;
    const MciError e = number(out_.volume, out_.hasVolume);
    if (e != MciError::None) return e;
    return out_.volume > 1000 ? MciError::OutOfRange : MciError::None;
  }

  // Verbs that need an item fail without one.
  MciError finish() const {
    switch (out_.verb) {
      case MciVerb::Status:
        return out_.status == MciStatusItem::None ? MciError::MissingValue : MciError::None;
      case MciVerb::Set:
        return out_.timeFormat == MciTimeFormat::Unchanged && !out_.hasSpeed ? MciError::MissingValue : MciError::None;
      case MciVerb::SetAudio:
        return out_.hasVolume ? MciError::None : MciError::MissingValue;
      default:
        return MciError::None;
    }
  }

  const std::vector<std::string_view>& words_;
  MciCommand& out_;
  size_t at_ = 2;
};

}  // namespace

MciError parseMciCommand(std::string_view text, MciCommand& out) {
  out = MciCommand{};
  if (text.size() > MciCommandLimit) return MciError::TooLong;
  std::vector<std::string_view> words;
  if (const MciError e = splitWords(text, words); e != MciError::None) return e;
  if (words.empty()) return MciError::UnknownVerb;
  const std::optional<MciVerb> verb = verbOf(words[0]);
  if (!verb) return MciError::UnknownVerb;
  out.verb = *verb;
  if (words.size() < 2 || words[1].empty()) return MciError::MissingDevice;
  out.device = std::string(words[1]);
  return ItemReader(words, out).read();
}

}  // namespace zt
