// The conveniences of the language (ELSEIF, SELECT, MOD, x += e, hexadecimal literals,
// // comments, INPUT with a prompt, GLOBAL, GOSUB to a shared subroutine): their errors,
// the warnings of --warn, the names of unknown commands, their bounds, and a long
// game-style program that uses them all, run and checked against a model.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "compiler/command_index.h"
#include "compiler/compiler.h"
#include "compiler/disassembler.h"
#include "support/image_builder.h"

namespace zt::compiler {
namespace {

std::string firstError(const std::string& source) {
  CompileResult r = compileText("bad.ztb", source);
  EXPECT_FALSE(r.ok) << source;
  if (r.diagnostics.empty()) return "(no error)";
  const Diagnostic& d = r.diagnostics.front();
  return std::to_string(d.pos.line) + ":" + std::to_string(d.pos.column) + ": " + d.message;
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct Case {
  const char* source;
  const char* expected;
};

TEST(CompilerConveniences, ErrorsOfTheNewForms) {
  const Case cases[] = {
      {"elseif 1\n", "1:1: ELSEIF without IF"},
      {"if 1\nelse\nelseif 2\nendif\n", "3:1: ELSEIF without IF"},
      {"if 1\nelseif 2 print 1\nendif\n", "2:10: unexpected 'PRINT' after the ELSEIF condition"},
      {"if 1\nelseif 2\n", "1:1: IF has no ENDIF"},
      {"case 1\n", "1:1: CASE without SELECT"},
      {"endselect\n", "1:1: ENDSELECT without SELECT"},
      {"select 1\nprint 2\ncase 1\nendselect\n", "2:1: expected CASE after SELECT but found 'PRINT'"},
      {"select 1\ncase 1\n", "1:1: SELECT has no ENDSELECT"},
      {"select 1\ncase default\ncase 2\nendselect\n", "3:1: CASE after CASE DEFAULT"},
      {"select 1\ncase default\ncase default\nendselect\n", "3:1: CASE after CASE DEFAULT"},
      {"select 1\ncase \"a\"\nendselect\n", "2:6: CASE value must be a number like the SELECT value, not a string"},
      {"select \"a\"\ncase 1\nendselect\n", "2:6: CASE value must be a string like the SELECT value, not an integer"},
      {"select 1 2\n", "1:10: unexpected number 2 after the SELECT value"},
      {"print 1.5 mod 2\n", "1:11: MOD works on integers, not a float and an integer (INT() turns a float into an integer)"},
      {"mod = 3\n", "1:1: 'MOD' is not a statement"},
      {"function f()\nglobal g\nendfunction\n", "2:1: GLOBAL belongs at the top level of the main program"},
      {"if 1\nglobal g\nendif\n", "2:1: GLOBAL belongs at the top level of the main program"},
      {"global 5\n", "1:8: GLOBAL needs variable names, not number 5"},
      {"global a = 1, b\n", "1:13: GLOBAL gives a value to one name only, the last"},
      {"input 5, x\n", "1:7: the prompt of INPUT must be a string, not an integer"},
      {"input \"?\", 1 + 2\n", "1:14: INPUT needs a variable or an array element"},
      {"x = 1\nx + = 1\n", "2:1: unknown command X (or a missing '=' after it)"},
      {"x$ = \"a\"\nx$ *= 2\n", "2:4: '*' cannot combine a string and an integer"},
      {"x = 0xFG\n", "1:5: malformed hexadecimal number"},
      {"x = $\n", "1:5: unexpected character '$'"},
      {"f()\nfunction f()\ngosub inside\nendfunction\nfunction g()\ninside:\nendfunction\n",
       "3:1: label INSIDE is in function G; GOSUB reaches labels of its function and of the main program"},
  };
  for (const Case& c : cases) EXPECT_EQ(firstError(c.source), c.expected) << c.source;
}

// A GLOBAL is one cell that no call saves (owner "shared"); a parameter of the same name
// is a cell of its function; other names in a function are the function's own.
TEST(CompilerConveniences, GlobalNamesShareOneUnsavedCellAndParametersHideThem) {
  CompileResult r = compileText("g.ztb",
                                "GLOBAL g\ng = 1 : local = 3\nprint f(2) + h()\n"
                                "function f(g)\nendfunction g\n"
                                "function h()\n  g = g + 1\n  local = 5\nendfunction local\n");
  ASSERT_TRUE(r.ok) << r.messages;
  std::string text, error;
  ASSERT_TRUE(disassemble(r.image, text, error)) << error;
  EXPECT_NE(text.find("= L:var3000@shared, =1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("= L:var3001, =3\n"), std::string::npos) << text;
  EXPECT_NE(text.find(".entry function 1 (L:var3002@f1)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("+[ L:var3000@shared, L:var3000@shared, =1\n"), std::string::npos) << text;
  // var3003 holds the first call's result across the second.
  EXPECT_NE(text.find("= L:var3004@f2, =5\n"), std::string::npos) << text;
}

TEST(CompilerConveniences, HexadecimalLiteralsAre32BitPatterns) {
  EXPECT_TRUE(compileText("ok.ztb", "x = $FFFFFFFF + 0xFFFFFFFF + $00000000000001\n").ok);
  EXPECT_EQ(firstError("x = $100000000\n"), "1:5: integer constant too large");
  EXPECT_EQ(firstError("x = 0x1FFFFFFFF\n"), "1:5: integer constant too large");
  test::RunResult r = test::runImage("hex_patterns", compileText("hex.ztb",
                                                                 "print $FFFFFFFF; \" \"; $80000000; \" \"; 0x7fffffff\n"
                                                                 "print -$80000000; \" \"; $0\n")
                                                         .image);
  EXPECT_EQ(r.out, "-1 -2147483648 2147483647\n-2147483648 0\n") << r.err;
}

TEST(CompilerConveniences, UnknownCommandsOfSeveralWordsAreNamed) {
  const Case cases[] = {
      {"set matrix texture 1, 2\n",
       "1:1: SET MATRIX TEXTURE is not a command; SET MATRIX takes (matrix, wire, transparency, cull, filter, light, "
       "fog, ambient)"},
      {"make objekt cube 1, 10\n", "1:1: MAKE OBJEKT CUBE is not a command; did you mean MAKE OBJECT CUBE?"},
      {"position objekt p, 1, 2, 3\n", "1:1: POSITION OBJEKT is not a command; did you mean POSITION OBJECT?"},
      {"sync onn\n", "1:1: SYNC ONN is not a command; did you mean SYNC ON?"},
      {"if 1 then sync onn else print 1\n", "1:11: SYNC ONN is not a command; did you mean SYNC ON?"},
      {"make frobnicate 1\n", "1:1: MAKE FROBNICATE is not a command"},
      {"prnt \"x\"\n", "1:1: PRNT is not a command; did you mean PRINT?"},
      {"x = 1\nxx 2\n", "2:1: unknown command XX (or a missing '=' after it)"},
  };
  for (const Case& c : cases) EXPECT_EQ(firstError(c.source), c.expected) << c.source;
  // An operand that happens to be a word of a keyword is still an operand.
  EXPECT_TRUE(compileText("ok.ztb", "object = 1 : cube = 2\nmake object cube object, cube\nhide object object\n").ok);
}

TEST(CompilerConveniences, MessagesListEachFormOnceByItsOperandNames) {
  const Case cases[] = {
      {"copy bitmap 1\n",
       "1:1: COPY BITMAP takes (from, to) or (from, left, top, right, bottom, to, left, top, right, bottom), not "
       "(integer)"},
      {"load bitmap 1, 2\n", "1:1: LOAD BITMAP takes (file$) or (file$, bitmap), not (integer, integer)"},
      // Forms without names keep their types; forms that differ only in their result are one.
      {"print rnd()\n", "1:7: RND takes (integer), not ()"},
      {"x = 1\ninc x, \"a\"\n",
       "2:1: INC takes (variable#) or (variable) or (variable#, amount#) or (variable, amount#), not (integer, string)"},
  };
  for (const Case& c : cases) EXPECT_EQ(firstError(c.source), c.expected) << c.source;
}

// Every line of the names names an entry of the table, one name per operand, marked $ for
// a string and # for a float.
TEST(CompilerConveniences, OperandNamesMatchTheirEntries) {
  const CommandIndex& commands = builtinCommands();
  std::string_view text = operandNamesText;
  int lines = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.find('\n', at), text.size());
    std::string line(text.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == ';') continue;
    ++lines;
    size_t first = line.find('%'), second = line.find('%', first + 1);
    ASSERT_NE(second, std::string::npos) << line;
    const CommandEntry* entry = nullptr;
    for (const CommandEntry* e : commands.entriesOf(line.substr(0, first)))
      if (std::to_string(e->id) == line.substr(first + 1, second - first - 1)) entry = e;
    ASSERT_NE(entry, nullptr) << line;
    EXPECT_EQ(commands.operandNames(*entry), line.substr(second + 1));
    std::string letters = operandLetters(*entry), marks;
    std::string names = line.substr(second + 1) + ",";
    for (size_t n = 0, comma; (comma = names.find(',', n)) != std::string::npos; n = comma + 1) {
      char last = names[comma - 1];
      marks += last == '$' ? 'S' : last == '#' ? 'F' : 'L';
    }
    EXPECT_EQ(marks, letters) << line;
  }
  EXPECT_GE(lines, 200);
}

TEST(CompilerConveniences, WarningsNameLikelyMistakesWithoutFailing) {
  CompileResult r = compileText("w.ztb",
                                "GLOBAL lives\n"
                                "score = 1\n"
                                "if scroe == 1 then print \"x\"\n"
                                "while lives == 0 and not (score == 2) : lives = 1 : endwhile\n"
                                "x = (score == 1)\n"
                                "unused:\n"
                                "read a : input b : inc c : read byte 1, d\n"
                                "print used(1) + a + b + c + d\n"
                                "end\n"
                                "function used(lives)\n"
                                "endfunction lives\n"
                                "function never()\n"
                                "  print q + score\n"
                                "endfunction\n");
  EXPECT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.warnings,
            "w.ztb:3:4: warning: variable SCROE is read but never assigned (misspelt?)\n"
            "w.ztb:3:10: warning: '==' in a condition: the language compares with '='\n"
            "w.ztb:4:13: warning: '==' in a condition: the language compares with '='\n"
            "w.ztb:4:33: warning: '==' in a condition: the language compares with '='\n"
            "w.ztb:6:1: warning: label UNUSED is never used\n"
            "w.ztb:10:15: warning: parameter LIVES of USED hides the GLOBAL LIVES\n"
            "w.ztb:12:10: warning: function NEVER is never called\n"
            "w.ztb:13:9: warning: variable Q is read but never assigned (misspelt?)\n"
            "w.ztb:13:13: warning: variable SCORE is read but never assigned (misspelt?)\n");
  // Warnings accompany errors too.
  CompileResult bad = compileText("b.ztb", "print nothing\ngoto nowhere\n");
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.warnings, "b.ztb:1:7: warning: variable NOTHING is read but never assigned (misspelt?)\n");
}

TEST(CompilerConveniences, ElseIfChainsAndSelectsNestWithinTheBlockBound) {
  // A chain of ELSEIFs is one level however long.
  std::string chain = "x = 1499\nif x = 0\nprint 0\n";
  for (int i = 1; i < 1500; ++i) chain += "elseif x = " + std::to_string(i) + "\nprint " + std::to_string(i) + "\n";
  chain += "else\nprint -1\nendif\n";
  CompileResult r = compileText("chain.ztb", chain);
  ASSERT_TRUE(r.ok) << r.messages;
  test::RunResult run = test::runImage("compiler_elseif_chain", r.image);
  EXPECT_EQ(run.out, "1499\n") << run.err;

  auto selects = [](int n) { return repeat("select 1\ncase 1\n", n) + "end\n" + repeat("endselect\n", n); };
  EXPECT_EQ(compileText("deep.ztb", selects(256)).messages, "");
  EXPECT_EQ(compileText("deep.ztb", selects(257)).messages,
            "deep.ztb:513:1: blocks nested too deeply (at most 256 levels)\n");
}

// A game of `Levels` level functions, each a state machine over the turn: SELECT with
// several values and DEFAULT, a REPEAT holding a SELECT, an ELSEIF chain between one-line
// IFs, += on integers, strings and array elements, MOD, hexadecimal constants, // comments,
// GLOBAL counters and a subroutine of the main program called through GOSUB.
constexpr int Levels = 32;
constexpr int Turns = 6;

std::string gameSource() {
  std::string s =
      "// A generated game: each level function changes the score and the hit points.\n"
      "GLOBAL score, ticks, log$\n"
      "DIM history(" + std::to_string(Turns) + ")\n"
      "INPUT \"Player? \", player$\n"
      "total = 0\n"
      "FOR turn = 0 TO " + std::to_string(Turns - 1) + "\n"
      "  sum = 0\n";
  for (int i = 1; i <= Levels; ++i) s += "  sum += level" + std::to_string(i) + "(turn)\n";
  s +=
      "  total += sum : history(turn) += sum MOD 0x100\n"
      "  PRINT player$; \" \"; turn; \" \"; sum; \" \"; score; \" \"; ticks; \" \"; log$; \" \"; history(turn)\n"
      "NEXT turn\n"
      "PRINT \"total \"; total\n"
      "END\n"
      "tick:\n"
      "  ticks += 1\n"
      "RETURN\n";
  for (int i = 1; i <= Levels; ++i) {
    std::string n = std::to_string(i);
    s += "\n// level " + n + "\n"
         "FUNCTION level" + n + "(turn)\n"
         "  hp = " + std::to_string(10 * i) + "\n"
         "  SELECT turn MOD 4\n"
         "    CASE 0 : hp += " + std::to_string(i + 3) + "\n"
         "    CASE 1, 2\n"
         "      hp -= " + std::to_string(i % 5 + 1) + "\n"
         "    CASE DEFAULT : hp *= 2\n"
         "  ENDSELECT\n"
         "  k = 0\n"
         "  REPEAT\n"
         "    SELECT k MOD 3\n"
         "      CASE 0 : hp += 1\n"
         "      CASE DEFAULT : hp -= $1\n"
         "    ENDSELECT\n"
         "    k += 1\n"
         "  UNTIL k = 3\n"
         "  IF hp < 0 THEN hp = 0\n"
         "  IF hp > " + std::to_string(10 * i + 5) + "\n"
         "    bonus = 3\n"
         "  ELSEIF hp > " + std::to_string(10 * i - 3) + "\n"
         "    bonus = 2\n"
         "  ELSEIF hp MOD 2 = 0\n"
         "    bonus = 1\n"
         "  ELSE\n"
         "    bonus = 0\n"
         "  ENDIF\n"
         "  IF bonus > 0 THEN score += bonus\n"
         "  GOSUB tick\n"
         "  log$ = \"L" + n + "\" : log$ += \"-\" + STR$(bonus)\n"
         "ENDFUNCTION hp + bonus\n";
  }
  return s;
}

std::string gameModel(const std::string& player) {
  std::string out;
  int score = 0, ticks = 0, total = 0;
  for (int turn = 0; turn < Turns; ++turn) {
    int sum = 0;
    std::string log;
    for (int i = 1; i <= Levels; ++i) {
      int hp = 10 * i;
      switch (turn % 4) {
        case 0: hp += i + 3; break;
        case 1:
        case 2: hp -= i % 5 + 1; break;
        default: hp *= 2; break;
      }
      hp -= 1;  // +1, -1, -1 in the REPEAT
      int bonus = hp > 10 * i + 5 ? 3 : hp > 10 * i - 3 ? 2 : hp % 2 == 0 ? 1 : 0;
      score += bonus;
      ++ticks;
      log = "L" + std::to_string(i) + "-" + std::to_string(bonus);
      sum += hp + bonus;
    }
    total += sum;
    out += player + " " + std::to_string(turn) + " " + std::to_string(sum) + " " + std::to_string(score) + " " +
           std::to_string(ticks) + " " + log + " " + std::to_string(sum % 256) + "\n";
  }
  return "Player? " + player + "\n" + out + "total " + std::to_string(total) + "\n";
}

TEST(CompilerConveniences, AThousandLineGameUsingEveryFormRunsAsModelled) {
  std::string source = gameSource();
  ASSERT_GE(std::count(source.begin(), source.end(), '\n'), 1000);
  CompileResult r = compileText("game.ztb", source);
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.warnings, "");
  namespace fs = std::filesystem;
  fs::path script = fs::path(ZT_TEST_WORK_DIR) / "game_player.input";
  fs::create_directories(script.parent_path());
  std::ofstream(script) << "5 type \"Ada\\n\"\n";
  test::RunResult run = test::runImage("compiler_game", r.image, {"--input", script.string()});
  EXPECT_EQ(run.out, gameModel("Ada")) << run.err;
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
}  // namespace zt::compiler
