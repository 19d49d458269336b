// The command table is the contract between compiler and engine: its format, its
// categories, and every handler row the engine dispatches must agree with it.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "command_ids.h"
#include "host/families.h"
#include "core/command_table.h"
#include "core/commands.h"

namespace zt {
namespace {

TEST(CommandTable, FormatAndCategories) {
  std::string_view text = commandTableText;
  ASSERT_TRUE(text.starts_with("; Command Set Database\r\n"));
  for (size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
    ASSERT_EQ(text[at - 1], '\r') << "line ending near byte " << at;

  std::vector<std::string> errors;
  auto entries = parseCommandTable(text, &errors);
  EXPECT_TRUE(errors.empty());
  const std::vector<std::string> order = {"Control Structures", "Foundation CSE",
                                          "Numbers need re-ordering  these are new additions", "Data Handling",
                                          "Graphical Functions", "Animation", "Sound", "Music", "Basic I/O",
                                          "External Functions", "Sprite Functions", "RealText Functions",
                                          "Basic3D Functions", "File Handler Functions",
                                          "System and Checklist Functions"};
  std::vector<std::string> seen;
  for (const auto& e : entries)
    if (seen.empty() || seen.back() != e.category) seen.push_back(e.category);
  EXPECT_EQ(seen, order);

  std::set<std::pair<std::string, std::string>> forms;
  for (const auto& e : entries) {
    EXPECT_TRUE(e.id >= 1 && e.id < MaxCommandId) << e.keyword;
    EXPECT_EQ(e.signature.find_first_not_of("LFSAE0"), std::string::npos) << e.keyword;
    EXPECT_TRUE(forms.insert({e.keyword, e.signature}).second) << "repeated " << e.keyword << " " << e.signature;
  }
}

TEST(CommandTable, EveryDispatchedRowMatchesTheTable) {
  std::multimap<int, CommandEntry> byId;
  for (auto& e : parseCommandTable(commandTableText)) byId.emplace(e.id, e);
  std::set<int> ids;
  for (std::span<const CommandRow> family : commandFamilies())
    for (const CommandRow& row : family) {
      EXPECT_TRUE(ids.insert(row.id).second) << "two handlers for " << row.id;
      auto [first, last] = byId.equal_range(row.id);
      if (!row.keyword) {  // run by the engine, but not named by the table
        EXPECT_TRUE(first == last) << row.id << " has no keyword but is in the table";
        continue;
      }
      bool match = false;
      for (auto it = first; it != last; ++it)
        match |= it->second.keyword == row.keyword && it->second.signature == row.signature;
      EXPECT_TRUE(match) << row.id << " " << row.keyword << " " << row.signature << " is not in the table";
    }
}

// The generated names: one per entry, in table order, with the entry's fields; the
// naming rule on an entry of each kind.
TEST(CommandTable, GeneratedNamesCoverEveryEntry) {
  const std::vector<CommandEntry> entries = parseCommandTable(commandTableText);
  ASSERT_EQ(std::size(AllCommandForms), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(AllCommandForms[i].id, entries[i].id);
    EXPECT_EQ(AllCommandForms[i].keyword, entries[i].keyword);
    EXPECT_EQ(AllCommandForms[i].signature, entries[i].signature);
  }
  const CommandForm named[] = {CmdDisableEscapekey, CmdEndfunction0, CmdEndfunctionL, CmdChr,
                               CmdInclude,          CmdEqualLLL,     CmdAssignElementSLS, Cmd3dblitAvailable};
  const std::pair<int, std::string_view> expected[] = {{9601, "DISABLE ESCAPEKEY"}, {22, "ENDFUNCTION"}, {23, "ENDFUNCTION"},
                                                       {209, "CHR$["}, {308, "#INCLUDE"}, {101, "==["}, {571, "@="},
                                                       {7984, "3DBLIT AVAILABLE["}};
  for (size_t i = 0; i < std::size(named); ++i) {
    EXPECT_EQ(named[i].id, expected[i].first);
    EXPECT_EQ(named[i].keyword, expected[i].second);
  }
}

TEST(CommandTable, CompileTimeEntriesHaveNoHandler) {
  DispatchTable table;
  buildDispatchTable(table, commandFamilies());
  for (int id : {CmdEndif, CmdDo, CmdRepeat, CmdData, CmdRem, CmdInclude, CmdRemstart, CmdRemend}) EXPECT_EQ(table.rows[id], nullptr) << id;
}

// Every record a 2D command adds has one runner, and no number outside the table is
// registered (the runner table would be written out of bounds).
TEST(CommandTable, EveryDisplayRecordHasOneRunner) {
  std::set<int32_t> ops;
  for (std::span<const RecordRow> family : recordFamilies())
    for (const RecordRow& row : family) {
      EXPECT_TRUE(row.op > 0 && row.op < RecordCodeCount) << row.op;
      EXPECT_TRUE(ops.insert(row.op).second) << "two runners for record " << row.op;
    }
  for (int32_t op : {RecSetCurrentBitmap, RecFadeBitmap, RecClear, RecPrint, RecPoint, RecEraseText, RecFontName,
                     RecStyleNormal, RecStyleBoldItalic, RecText, RecCenterText})
    EXPECT_TRUE(ops.count(op)) << "no runner for record " << op;
}

}  // namespace
}  // namespace zt
