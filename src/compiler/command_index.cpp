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

CommandIndex::CommandIndex(std::string_view tableText, std::string_view namesText)
    : entries_(parseCommandTable(tableText)) {
  size_t at = 0;
  while (at < namesText.size()) {
    size_t end = namesText.find('\n', at);
    if (end == std::string_view::npos) end = namesText.size();
    std::string_view line = namesText.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    size_t first = line.find('%'), second = line.find('%', first + 1);
    if (line.empty() || line[0] == ';' || second == std::string_view::npos) continue;
    int id = std::atoi(std::string(line.substr(first + 1, second - first - 1)).c_str());
    names_[{std::string(line.substr(0, first)), id}] = std::string(line.substr(second + 1));
  }
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

std::string typeList(std::string_view types) {
  std::string s = "(";
  for (size_t i = 0; i < types.size(); ++i) {
    if (i) s += ", ";
    s += types[i] == 'L' ? "integer" : types[i] == 'F' ? "float" : "string";
  }
  return s + ")";
}

size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

const std::string& CommandIndex::operandNames(const CommandEntry& e) const {
  static const std::string none;
  auto it = names_.find({e.keyword, e.id});
  return it == names_.end() ? none : it->second;
}

std::string CommandIndex::formsOf(std::string_view keyword) const {
  std::string s;
  std::set<std::string> listed;  // forms that differ only in their result are listed once
  for (const CommandEntry* c : entriesOf(keyword)) {
    std::string letters = operandLetters(*c);
    if (letters.find_first_of("AE") != std::string::npos) continue;
    const std::string& names = operandNames(*c);
    std::string form = names.empty() ? typeList(letters) : "(" + names + ")";
    if (!listed.insert(form).second) continue;
    s += s.empty() ? "" : " or ";
    s += form;
  }
  return s;
}

std::string CommandIndex::describeForms(std::string_view keyword) const {
  std::string bare(isFunctionKeyword(keyword) ? keyword.substr(0, keyword.size() - 1) : keyword);
  std::string forms = formsOf(keyword);
  return bare + " takes " + (forms.empty() ? "no usable operands" : forms);
}

std::string CommandIndex::closestStatement(std::string_view written) const {
  std::string best;
  size_t bestDistance = std::max<size_t>(2, written.size() / 5) + 1;
  for (const auto& [first, forms] : statements_)
    for (const KeywordForm& f : forms) {
      size_t d = editDistance(written, f.keyword);
      if (d < bestDistance) {
        bestDistance = d;
        best = f.keyword;
      }
    }
  return best;
}

const CommandIndex& builtinCommands() {
  static const CommandIndex index(commandTableText, operandNamesText);
  return index;
}

}  // namespace zt::compiler
