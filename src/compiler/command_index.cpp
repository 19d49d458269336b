#include "compiler/command_index.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "core/commands.h"

namespace zt::compiler {

namespace {

std::vector<std::string> splitWords(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = text.find(' ', i);
    if (j == std::string_view::npos) j = text.size();
    if (j > i) words.emplace_back(text.substr(i, j - i));
    i = j + 1;
  }
  return words;
}

// Keywords made of words (letters, digits, $, #); operators and the back-quote are not.
bool isWordKeyword(std::string_view k) {
  return !k.empty() && (std::isalnum(static_cast<unsigned char>(k[0])) || k[0] == '#');
}

const std::vector<KeywordForm> NoForms;
const std::vector<const CommandEntry*> NoEntries;

}  // namespace

bool isFunctionKeyword(std::string_view keyword) { return !keyword.empty() && keyword.back() == '['; }

std::string operandLetters(const CommandEntry& e) {
  std::string letters = e.signature == "0" ? std::string() : e.signature;
  if (isFunctionKeyword(e.keyword) && !letters.empty()) letters.erase(0, 1);
  return letters;
}

CommandIndex::CommandIndex(std::string_view tableText) : entries_(parseCommandTable(tableText)) {
  for (const CommandEntry& e : entries_) {
    auto& list = byKeyword_[e.keyword];
    list.push_back(&e);
    if (list.size() > 1 || !isWordKeyword(e.keyword)) continue;
    bool function = isFunctionKeyword(e.keyword);
    std::string bare = function ? e.keyword.substr(0, e.keyword.size() - 1) : e.keyword;
    KeywordForm form{splitWords(bare), e.keyword};
    if (form.words.empty()) continue;
    for (const std::string& w : form.words) allWords_.insert(w);
    if (form.words.size() == 1) wholeWords_.insert(form.words[0]);
    (function ? functions_ : statements_)[form.words[0]].push_back(std::move(form));
  }
  for (auto* forms : {&statements_, &functions_})
    for (auto& [first, list] : *forms)
      std::stable_sort(list.begin(), list.end(),
                       [](const KeywordForm& a, const KeywordForm& b) { return a.words.size() > b.words.size(); });
}

const std::vector<const CommandEntry*>& CommandIndex::entriesOf(std::string_view keyword) const {
  auto it = byKeyword_.find(keyword);
  return it == byKeyword_.end() ? NoEntries : it->second;
}

const CommandEntry* CommandIndex::find(std::string_view keyword, std::string_view signature) const {
  for (const CommandEntry* e : entriesOf(keyword))
    if (e->signature == signature) return e;
  return nullptr;
}

int CommandIndex::idOf(std::string_view keyword, std::string_view signature) const {
  const CommandEntry* e = find(keyword, signature);
  if (!e) {
    std::fprintf(stderr, "ztc: the command table has no entry %.*s%%%.*s\n", int(keyword.size()), keyword.data(),
                 int(signature.size()), signature.data());
    std::abort();
  }
  return e->id;
}

const std::vector<KeywordForm>& CommandIndex::formsStartingWith(std::string_view first, bool functions) const {
  const auto& map = functions ? functions_ : statements_;
  auto it = map.find(first);
  return it == map.end() ? NoForms : it->second;
}

Overload CommandIndex::resolve(std::string_view keyword, std::string_view types, bool function, char want) const {
  Overload best;
  bool bestWants = false;
  for (const CommandEntry* e : entriesOf(keyword)) {
    std::string letters = operandLetters(*e);
    if (letters.size() != types.size()) continue;
    if (letters.find_first_of("AE") != std::string::npos) continue;
    int cost = 0;
    bool fits = true;
    for (size_t i = 0; i < letters.size() && fits; ++i) {
      char have = types[i], need = letters[i];
      if (have == need) continue;
      if (have == 'L' && need == 'F')
        cost += 1;
      else if (have == 'F' && need == 'L')
        cost += 2;
      else
        fits = false;
    }
    if (!fits) continue;
    char result = function && e->signature != "0" ? e->signature[0] : 0;
    bool wants = want && result == want;
    if (!best.entry || cost < best.cost || (cost == best.cost && wants && !bestWants)) {
      best = {e, letters, result, cost};
      bestWants = wants;
    }
  }
  return best;
}

const CommandIndex& builtinCommands() {
  static const CommandIndex index(commandTableText);
  return index;
}

}  // namespace zt::compiler
