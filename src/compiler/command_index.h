// The command table as the compiler sees it: statement and function keywords (possibly
// several words) found by their first word, every entry of a keyword in table order,
// and the choice of one entry for the types of the operands at hand.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/command_table.h"

namespace zt {
// The operand names text embedded in the compiler.
extern const std::string_view operandNamesText;
}  // namespace zt

namespace zt::compiler {

// A keyword as words: "SET CURSOR" is {"SET", "CURSOR"}; a function keyword is kept
// without its "[".
struct KeywordForm {
  std::vector<std::string> words;
  std::string keyword;  // as in the table, "[" included for functions
};

// The entry chosen for a set of operand types, and the type each operand must be
// converted to ('L', 'F' or 'S').
struct Overload {
  const CommandEntry* entry = nullptr;
  std::string operandTypes;  // one letter per operand the caller supplied
  char result = 0;           // result type of a function entry, else 0
  int cost = 0;
};

class CommandIndex {
 public:
  // `namesText`: lines "KEYWORD%identifier%name, name" giving entries' operand names
  // (resources/operand_names.txt); ";" starts a comment line.
  explicit CommandIndex(std::string_view tableText, std::string_view namesText = {});

  const std::vector<CommandEntry>& entries() const { return entries_; }
  // Every entry of a keyword, in table order; empty when there is none.
  const std::vector<const CommandEntry*>& entriesOf(std::string_view keyword) const;
  // The entry with this keyword and signature, or null.
  const CommandEntry* find(std::string_view keyword, std::string_view signature) const;
  // Its identifier; the table is the contract, so a missing entry is a broken build.
  int idOf(std::string_view keyword, std::string_view signature) const;

  // Statement (functions = false) or function keywords whose first word is `first`,
  // longest first.
  const std::vector<KeywordForm>& formsStartingWith(std::string_view first, bool functions) const;
  // Whether a word is a whole keyword by itself ("PRINT", "LEN"; not "ADD" of "ADD LIMB"),
  // and whether it appears in any keyword.
  bool isWholeKeyword(std::string_view word) const { return wholeWords_.count(std::string(word)) > 0; }
  bool isKeywordWord(std::string_view word) const { return allWords_.count(std::string(word)) > 0; }

  // The best entry of `keyword` for operands of `types`. Exact matches cost nothing, an
  // integer where a float is wanted costs 1, a float where an integer is wanted 2;
  // strings never convert. Among equal costs an entry whose result type is `want`
  // wins, then the first in the table. Entries taking labels or source text are never
  // chosen. Returns an Overload without entry when none fits.
  Overload resolve(std::string_view keyword, std::string_view types, bool function, char want = 0) const;

  // The forms a program can write, each once, by their operand names where known, else
  // their types: "(from, to) or (file$, bitmap)", "(integer, string)"; empty when every
  // entry takes a label or source text.
  std::string formsOf(std::string_view keyword) const;
  // The operand names of an entry, or "" when the names text gives none.
  const std::string& operandNames(const CommandEntry& e) const;
  // "SET CURSOR takes (integer, integer)" (a function keyword without its "[").
  std::string describeForms(std::string_view keyword) const;
  // The statement keyword closest in spelling to `written` ("MAKE OBJEKT CUBE"), or ""
  // when none is close.
  std::string closestStatement(std::string_view written) const;

 private:
  std::vector<CommandEntry> entries_;
  std::map<std::string, std::vector<const CommandEntry*>, std::less<>> byKeyword_;
  std::map<std::string, std::vector<KeywordForm>, std::less<>> statements_, functions_;
  std::set<std::string> wholeWords_, allWords_;
  std::map<std::pair<std::string, int>, std::string> names_;  // by keyword and identifier
};

// Operand letters of an entry: the signature without the result letter of a function,
// "" for "0".
std::string operandLetters(const CommandEntry& e);
bool isFunctionKeyword(std::string_view keyword);
// Edits (insert, delete, replace) that turn a into b.
size_t editDistance(std::string_view a, std::string_view b);
// Operand types as words: "(integer, string)".
std::string typeList(std::string_view types);

// The one command index built from the embedded table.
const CommandIndex& builtinCommands();

}  // namespace zt::compiler
