#include "compiler/parser.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/fs.h"

namespace zt::compiler {

namespace {

constexpr int MaxIncludeDepth = 16;
constexpr size_t MaxDataItems = 14000;

// The host path of an include name, found as the file commands find names (backslashes,
// any letter case, drive C:) from the including file's folder, and the path shown in
// messages: relative to that folder's path as the including file was named. `path` is
// empty when the name cannot name a file.
void resolveInclude(const std::string& includer, const std::string& name, std::string& path, std::string& shownAs) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path base = fs::path(includer).parent_path();
  fs::path absoluteBase = base.empty() ? fs::current_path(ec) : fs::absolute(base, ec).lexically_normal();
  path = FileSystem(absoluteBase.string()).resolve(name);
  if (path.empty()) return;
  fs::path relative = fs::path(path).lexically_relative(absoluteBase);
  shownAs = relative.empty() || base.is_absolute() ? path : (base / relative).lexically_normal().string();
}

// The path of a file as the include chain compares it.
std::string absolutePath(const std::string& path) {
  std::error_code ec;
  return std::filesystem::absolute(path, ec).lexically_normal().string();
}

void tokenizeInto(SourceSet& sources, int file, const CommandIndex& commands, std::vector<Token>& out,
                  std::vector<std::string>& stack) {
  std::vector<Token> tokens;
  lexFile(sources, file, commands, tokens);
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    bool statementStart = i == 0 || tokens[i - 1].kind == Tok::LineEnd || tokens[i - 1].kind == Tok::Colon;
    if (!(statementStart && t.kind == Tok::Word && t.text == "#INCLUDE")) {
      out.push_back(t);
      continue;
    }
    if (i + 1 >= tokens.size() || tokens[i + 1].kind != Tok::String) {
      sources.error(t.pos, "#INCLUDE needs a file name in quotes");
    } else {
      const std::string& name = tokens[i + 1].text;
      std::string path, shownAs, why;
      resolveInclude(sources.file(file).path, name, path, shownAs);
      bool cycle = false;
      for (const std::string& s : stack) cycle |= s == path;
      int included = -1;
      if (path.empty())
        sources.error(t.pos, "\"" + name + "\" cannot name a file");
      else if (cycle)
        sources.error(t.pos, "\"" + name + "\" includes itself");
      else if (int(stack.size()) >= MaxIncludeDepth)
        sources.error(t.pos, "#INCLUDE nested too deeply (at most " + std::to_string(MaxIncludeDepth - 1) + " levels)");
      else if ((included = sources.load(path, why, shownAs)) < 0)
        sources.error(t.pos, "cannot read \"" + name + "\": " + why);
      if (included >= 0) {
        stack.push_back(path);
        tokenizeInto(sources, included, commands, out, stack);
        stack.pop_back();
      }
      ++i;
    }
    while (i + 1 < tokens.size() && tokens[i + 1].kind != Tok::LineEnd) ++i;  // rest of the line
  }
}

struct ParseError {
  SourcePos pos;
  std::string message;
};

// Words the syntax uses besides the table's keywords.
const std::set<std::string> SyntaxWords = {"THEN", "TO",     "STEP", "AND",       "OR",     "NOT",
                                           "MOD",  "ELSEIF", "CASE", "ENDSELECT", "SELECT", "GLOBAL"};

std::string describe(const Token& t) {
  switch (t.kind) {
    case Tok::Word:
      return "'" + t.text + "'";
    case Tok::Integer:
    case Tok::Float:
      return "number " + t.text;
    case Tok::String:
      return "string \"" + t.text + "\"";
    case Tok::Symbol:
      return "'" + t.text + "'";
    case Tok::Colon:
      return "':'";
    case Tok::LineEnd:
      return "end of line";
    case Tok::End:
      return "end of file";
  }
  return "token";
}

class Parser {
 public:
  Parser(SourceSet& sources, const CommandIndex& commands, std::vector<Token> tokens, Program& program)
      : sources(sources), commands(commands), toks(std::move(tokens)), prog(program) {}

  void run() {
    try {
      bool closed = false;
      prog.main = parseBlock({}, closed);
      if (!at(Tok::End)) sources.error(peek().pos, "unexpected " + describe(peek()));
    } catch (const Abandon&) {
      // reported where it was thrown; the rest of the source is not parsed
    }
  }

 private:
  SourceSet& sources;
  const CommandIndex& commands;
  std::vector<Token> toks;
  Program& prog;
  size_t p = 0;
  int scope = -1;        // the function being parsed, -1 for the main program
  int singleLineIf = 0;  // inside IF ... THEN on one line: ELSE also ends a statement
  int nesting = 0;       // depth of the expression being parsed

  // Thrown after a fault that makes the rest of the source meaningless to parse.
  struct Abandon {};

  // ---- tokens ----

  const Token& peek(size_t k = 0) const { return toks[std::min(p + k, toks.size() - 1)]; }
  const Token& next() {
    const Token& t = toks[p];
    if (p + 1 < toks.size()) ++p;
    return t;
  }
  bool at(Tok kind, size_t k = 0) const { return peek(k).kind == kind; }
  bool atWord(const char* w, size_t k = 0) const { return at(Tok::Word, k) && peek(k).text == w; }
  bool atSymbol(const char* s, size_t k = 0) const { return at(Tok::Symbol, k) && peek(k).text == s; }
  [[noreturn]] void fail(const Token& t, const std::string& message) { throw ParseError{t.pos, message}; }
  [[noreturn]] void fail(SourcePos pos, const std::string& message) { throw ParseError{pos, message}; }
  void expectSymbol(const char* s) {
    if (!atSymbol(s)) fail(peek(), std::string("expected '") + s + "' but found " + describe(peek()));
    next();
  }
  bool atStatementEnd() const {
    return at(Tok::Colon) || at(Tok::LineEnd) || at(Tok::End) || (singleLineIf && atWord("ELSE"));
  }
  void skipSeparators() {
    while (at(Tok::Colon) || at(Tok::LineEnd)) next();
  }
  void skipLine() {
    while (!at(Tok::LineEnd) && !at(Tok::End)) next();
  }

  // Words that cannot name a variable, label or function: whole keywords and syntax words.
  bool reserved(const std::string& word) const { return commands.isWholeKeyword(word) || SyntaxWords.count(word); }

  // The longest statement or function keyword at the current token, or null.
  const KeywordForm* matchForm(bool functions) const {
    if (!at(Tok::Word)) return nullptr;
    for (const KeywordForm& f : commands.formsStartingWith(peek().text, functions)) {
      bool ok = true;
      for (size_t k = 0; k < f.words.size() && ok; ++k) ok = at(Tok::Word, k) && peek(k).text == f.words[k];
      if (ok) return &f;
    }
    return nullptr;
  }
  void consumeForm(const KeywordForm& f) { p += f.words.size(); }

  // The keyword a statement starts with ("LOOP" but "LOOP SOUND"), or "".
  std::string leadingKeyword() const {
    if (!at(Tok::Word)) return {};
    const KeywordForm* f = matchForm(false);
    return f ? f->keyword : peek().text;
  }

  // ---- blocks and statements ----

  // Statements until one of `closers` (left unconsumed) or the end of the file.
  // A closer of an enclosing block also ends this one (unclosed), so that one missing
  // ENDIF is reported once and not again for every block around it.
  Block parseBlock(std::initializer_list<const char*> closers, bool& closed) {
    Block block;
    closed = false;
    ++blockDepth;
    for (const char* c : closers) openClosers.insert(c);
    for (;;) {
      skipSeparators();
      if (at(Tok::End) || sources.tooMany()) break;
      std::string lead = leadingKeyword();
      closed = std::find(closers.begin(), closers.end(), lead) != closers.end();
      if (closed || openClosers.count(lead)) break;
      parseStatementInto(block);
    }
    for (const char* c : closers) openClosers.erase(openClosers.find(c));
    --blockDepth;
    return block;
  }
  int blockDepth = 0;  // 1 at the top level of the main program, 2 in a function body
  std::multiset<std::string> openClosers;

  // An unclosed block is reported at its opening keyword; parsing goes on at the closer
  // of the block around it.
  StmtPtr unclosed(StmtPtr s, const std::string& message, SourcePos pos = {}) {
    sources.error(s ? s->pos : pos, message);
    stoppedAtCloser = true;
    return s;
  }
  bool stoppedAtCloser = false;

  void parseStatementInto(Block& block) {
    try {
      StmtPtr s = parseStatement();
      if (s) block.push_back(std::move(s));
      if (stoppedAtCloser) {
        stoppedAtCloser = false;
        return;
      }
      if (!atStatementEnd()) fail(peek(), "unexpected " + describe(peek()) + " after the statement");
    } catch (const ParseError& e) {
      sources.error(e.pos, e.message);
      skipLine();
    }
  }

  StmtPtr make(StmtKind kind, const Token& at) {
    auto s = std::make_unique<Stmt>();
    s->kind = kind;
    s->pos = at.pos;
    return s;
  }

  StmtPtr parseStatement() {
    const Token& first = peek();
    if (first.kind != Tok::Word) fail(first, "a statement cannot start with " + describe(first));
    // A label: a name and a colon.
    if (!reserved(first.text) && at(Tok::Colon, 1)) return parseLabel();
    const KeywordForm* form = matchForm(false);
    std::string k = form ? form->keyword : first.text;
    if (k == "IF" || k == "FOR" || k == "WHILE" || k == "REPEAT" || k == "DO" || k == "SELECT")
      checkBlockNesting(first);
    if (k == "IF") return parseIf();
    if (k == "SELECT") return parseSelect();
    if (k == "GLOBAL") return parseGlobal();
    if (k == "FOR") return parseFor();
    if (k == "WHILE") return parseWhile();
    if (k == "REPEAT") return parseRepeat();
    if (k == "DO") return parseDo();
    if (k == "FUNCTION") return parseFunction();
    if (k == "EXIT") return parseSimple(StmtKind::Exit);
    if (k == "RETURN") return parseSimple(StmtKind::Return);
    if (k == "GOTO" || k == "GOSUB") return parseJump(k == "GOTO" ? StmtKind::Goto : StmtKind::Gosub);
    if (k == "DATA") return parseData();
    if (k == "READ") return parseRead();
    if (k == "RESTORE") return parseRestore();
    if (k == "DIM") return parseDim();
    if (k == "UNDIM") return parseUndim();
    if (k == "PRINT" || k == "PRINTC") return parsePrint();
    if (k == "EXITFUNCTION") return parseExitFunction();
    if (k == "LOAD ARRAY" || k == "SAVE ARRAY") return parseArrayFile(*form);
    if (k == "ELSE" || k == "ELSEIF" || k == "ENDIF" || k == "NEXT" || k == "ENDWHILE" || k == "UNTIL" ||
        k == "LOOP" || k == "ENDFUNCTION" || k == "CASE" || k == "ENDSELECT")
      fail(first, k + " without " + opener(k));
    if (k == "THEN" || k == "TO" || k == "STEP") fail(first, k + " outside an IF or FOR statement");
    if (k == "REMEND") fail(first, "REMEND without REMSTART");
    if (k == "#INCLUDE" || k == "`" || k == "REM" || k == "REMSTART") return nullptr;
    if (form) return parseCommand(*form);
    if (reserved(first.text)) fail(first, "'" + first.text + "' is not a statement");
    return parseAssignmentOrCall();
  }

  // Blocks nest through recursion here and in the code generator; a bound on their depth
  // keeps a hostile source from exhausting the stack. The blocks already open around this
  // one: those of the enclosing blocks and one-line IFs, not counting a function's body.
  static constexpr int MaxBlockNesting = 256;
  void checkBlockNesting(const Token& opener) {
    int open = blockDepth - 1 - (scope >= 0 ? 1 : 0) + singleLineIf;
    if (open < MaxBlockNesting) return;
    sources.error(opener.pos, "blocks nested too deeply (at most 256 levels)");
    throw Abandon{};
  }

  static std::string opener(const std::string& closer) {
    if (closer == "ELSE" || closer == "ELSEIF" || closer == "ENDIF") return "IF";
    if (closer == "CASE" || closer == "ENDSELECT") return "SELECT";
    if (closer == "NEXT") return "FOR";
    if (closer == "ENDWHILE") return "WHILE";
    if (closer == "UNTIL") return "REPEAT";
    if (closer == "LOOP") return "DO";
    return "FUNCTION";
  }

  StmtPtr parseLabel() {
    const Token& name = next();
    next();  // ':'
    auto s = make(StmtKind::Label, name);
    s->text = name.text;
    auto [it, fresh] = prog.labels.try_emplace(name.text, LabelInfo{name.pos, scope, int(prog.data.size())});
    if (!fresh) {
      const SourcePos& was = it->second.pos;
      sources.error(name.pos, "label " + name.text + " is already defined at line " + std::to_string(was.line));
    }
    return s;
  }

  StmtPtr parseSimple(StmtKind kind) { return make(kind, next()); }

  StmtPtr parseJump(StmtKind kind) {
    const Token& kw = next();
    auto s = make(kind, kw);
    if (!at(Tok::Word)) fail(peek(), kw.text + " needs a label name");
    s->text = next().text;
    return s;
  }

  StmtPtr parseIf() {
    auto s = make(StmtKind::If, next());
    s->value = parseExpression();
    if (atWord("THEN") && !at(Tok::LineEnd, 1) && !at(Tok::End, 1)) {
      next();
      parseSingleLineBranch(s->body);
      if (atWord("ELSE")) {
        next();
        parseSingleLineBranch(s->elseBody);
      }
      return s;
    }
    endIfCondition("IF");
    bool closed = false;
    s->body = parseBlock({"ELSE", "ELSEIF", "ENDIF"}, closed);
    // ELSEIF branches are kept in one list, so a long chain nests no deeper than one IF.
    while (closed && atWord("ELSEIF")) {
      auto branch = make(StmtKind::If, next());
      branch->value = parseExpression();
      endIfCondition("ELSEIF");
      branch->body = parseBlock({"ELSE", "ELSEIF", "ENDIF"}, closed);
      s->elseIfs.push_back(std::move(branch));
    }
    if (closed && atWord("ELSE")) {
      next();
      s->elseBody = parseBlock({"ENDIF"}, closed);
    }
    if (!closed) return unclosed(std::move(s), "IF has no ENDIF");
    next();
    return s;
  }

  void endIfCondition(const std::string& keyword) {
    if (atWord("THEN")) next();
    if (!atStatementEnd()) fail(peek(), "unexpected " + describe(peek()) + " after the " + keyword + " condition");
  }

  // SELECT value / CASE a, b / ... / CASE DEFAULT / ... / ENDSELECT
  StmtPtr parseSelect() {
    auto s = make(StmtKind::Select, next());
    s->value = parseExpression();
    if (!atStatementEnd()) fail(peek(), "unexpected " + describe(peek()) + " after the SELECT value");
    skipSeparators();
    if (!atWord("CASE") && !atWord("ENDSELECT"))
      fail(peek(), "expected CASE after SELECT but found " + describe(peek()));
    bool closed = true;
    bool defaulted = false;
    while (closed && atWord("CASE")) {
      auto c = make(StmtKind::Case, next());
      if (defaulted) sources.error(c->pos, "CASE after CASE DEFAULT");
      if (atWord("DEFAULT")) {
        next();
        defaulted = true;
      } else {
        do c->args.push_back(parseExpression());
        while (atSymbol(",") && (next(), true));
      }
      if (!atStatementEnd()) fail(peek(), "unexpected " + describe(peek()) + " after the CASE values");
      c->body = parseBlock({"CASE", "ENDSELECT"}, closed);
      s->body.push_back(std::move(c));
    }
    if (!closed || !atWord("ENDSELECT")) return unclosed(std::move(s), "SELECT has no ENDSELECT");
    next();
    return s;
  }

  // GLOBAL a, b$, c# = 3: names that every function shares with the main program.
  StmtPtr parseGlobal() {
    const Token& kw = next();
    if (scope >= 0 || singleLineIf || blockDepth > 1)
      fail(kw, "GLOBAL belongs at the top level of the main program");
    StmtPtr assignment;
    for (;;) {
      if (!at(Tok::Word) || reserved(peek().text) || atSymbol("(", 1))
        fail(peek(), "GLOBAL needs variable names, not " + describe(peek()));
      const Token& name = next();
      prog.globals.try_emplace(name.text, name.pos);
      if (atSymbol("=")) {
        if (assignment) fail(peek(), "GLOBAL gives a value to one name only, the last");
        next();
        assignment = make(StmtKind::Assign, name);
        assignment->target = node(ExprKind::Variable, name.pos, name.text);
        assignment->value = parseExpression();
      }
      if (!atSymbol(",")) break;
      if (assignment) fail(peek(), "GLOBAL gives a value to one name only, the last");
      next();
    }
    return assignment;
  }

  // Statements after THEN or ELSE up to the end of the line (or ELSE).
  void parseSingleLineBranch(Block& block) {
    ++singleLineIf;
    struct Leave {
      int& n;
      ~Leave() { --n; }
    } leave{singleLineIf};
    for (;;) {
      while (at(Tok::Colon)) next();
      if (at(Tok::LineEnd) || at(Tok::End) || atWord("ELSE")) return;
      StmtPtr st = parseStatement();
      if (st) block.push_back(std::move(st));
      if (!atStatementEnd()) fail(peek(), "unexpected " + describe(peek()) + " after the statement");
    }
  }

  StmtPtr parseFor() {
    auto s = make(StmtKind::For, next());
    if (!at(Tok::Word) || reserved(peek().text)) fail(peek(), "FOR needs a loop variable");
    s->target = parsePrimary();
    if (s->target->kind != ExprKind::Variable) fail(peek(), "the loop variable of FOR must be a plain variable");
    s->name = s->target->text;
    expectSymbol("=");
    s->value = parseExpression();
    if (!atWord("TO")) fail(peek(), "expected TO but found " + describe(peek()));
    next();
    s->limit = parseExpression();
    if (atWord("STEP")) {
      next();
      s->step = parseExpression();
    }
    bool closed = false;
    s->body = parseBlock({"NEXT"}, closed);
    if (!closed) return unclosed(std::move(s), "FOR has no NEXT");
    next();
    if (at(Tok::Word) && !atStatementEnd()) {
      const Token& v = next();
      if (v.text != s->name) sources.error(v.pos, "NEXT " + v.text + " does not match FOR " + s->name);
    }
    return s;
  }

  StmtPtr parseWhile() {
    auto s = make(StmtKind::While, next());
    s->value = parseExpression();
    bool closed = false;
    s->body = parseBlock({"ENDWHILE"}, closed);
    if (!closed) return unclosed(std::move(s), "WHILE has no ENDWHILE");
    next();
    return s;
  }

  StmtPtr parseRepeat() {
    auto s = make(StmtKind::Repeat, next());
    bool closed = false;
    s->body = parseBlock({"UNTIL"}, closed);
    if (!closed) return unclosed(std::move(s), "REPEAT has no UNTIL");
    next();
    s->value = parseExpression();
    return s;
  }

  StmtPtr parseDo() {
    auto s = make(StmtKind::Do, next());
    bool closed = false;
    s->body = parseBlock({"LOOP"}, closed);
    if (!closed) return unclosed(std::move(s), "DO has no LOOP");
    next();
    return s;
  }

  StmtPtr parseFunction() {
    const Token& kw = next();
    if (scope >= 0 || singleLineIf || blockDepth > 1) fail(kw, "FUNCTION inside another function or statement");
    if (!at(Tok::Word) || reserved(peek().text)) fail(peek(), "FUNCTION needs a name");
    Function fn;
    const Token& name = next();
    fn.name = name.text;
    fn.pos = name.pos;
    expectSymbol("(");
    std::set<std::string> seen;
    while (!atSymbol(")")) {
      if (!at(Tok::Word) || reserved(peek().text))
        fail(peek(), "expected a parameter name but found " + describe(peek()));
      const Token& param = next();
      if (!seen.insert(param.text).second) sources.error(param.pos, "parameter " + param.text + " appears twice");
      fn.params.push_back({param.text, param.pos});
      if (!atSymbol(",")) break;
      next();
    }
    expectSymbol(")");
    if (fn.params.size() > 127) sources.error(name.pos, "a function takes at most 127 parameters");
    if (prog.functionIndex.count(fn.name)) sources.error(name.pos, "function " + fn.name + " is already defined");
    if (reserved(fn.name)) sources.error(name.pos, "'" + fn.name + "' is a command name");
    int index = int(prog.functions.size());
    prog.functionIndex.try_emplace(fn.name, index);
    fn.number = index + 1;
    prog.functions.push_back(std::move(fn));
    scope = index;
    struct LeaveFunction {
      int& scope;
      ~LeaveFunction() { scope = -1; }
    } leave{scope};
    bool closed = false;
    Block body = parseBlock({"ENDFUNCTION"}, closed);
    Function& f = prog.functions[size_t(index)];
    f.body = std::move(body);
    if (!closed) {
      unclosed(nullptr, "FUNCTION " + f.name + " has no ENDFUNCTION", kw.pos);
      return nullptr;
    }
    f.endPos = next().pos;
    if (!atStatementEnd()) f.result = parseExpression();
    return nullptr;
  }

  StmtPtr parseExitFunction() {
    auto s = make(StmtKind::ExitFunction, next());
    if (scope < 0) fail(toks[p - 1], "EXITFUNCTION outside a function");
    if (!atStatementEnd()) s->value = parseExpression();
    return s;
  }

  StmtPtr parseData() {
    next();
    for (;;) {
      bool negative = false;
      if (atSymbol("-") || atSymbol("+")) negative = next().text == "-";
      const Token& t = next();
      DataItem item{};
      if (t.kind == Tok::Integer) {
        if (t.integer > 2147483647 && !negative) fail(t, "integer constant too large");
        item.type = 'l';
        item.integer = int32_t(negative ? -t.integer : t.integer);
      } else if (t.kind == Tok::Float) {
        item.type = 'f';
        item.real = negative ? -t.real : t.real;
      } else if (t.kind == Tok::String && !negative) {
        item.type = 's';
        item.text = t.text;
      } else {
        fail(t, "DATA items are numbers or strings in quotes, not " + describe(t));
      }
      prog.data.push_back(std::move(item));
      if (prog.data.size() == MaxDataItems + 1) sources.error(t.pos, "too many DATA items (at most 14000)");
      if (!atSymbol(",")) break;
      next();
    }
    return nullptr;
  }

  StmtPtr parseRead() {
    auto s = make(StmtKind::Read, next());
    do {
      ExprPtr target = parsePrimary();
      if (target->kind != ExprKind::Variable && target->kind != ExprKind::NameCall)
        fail(target->pos, "READ needs variables or array elements");
      s->args.push_back(std::move(target));
    } while (atSymbol(",") && (next(), true));
    return s;
  }

  StmtPtr parseRestore() {
    auto s = make(StmtKind::Restore, next());
    if (at(Tok::Word)) s->text = next().text;
    return s;
  }

  std::string arrayName(const char* what) {
    if (!at(Tok::Word) || reserved(peek().text)) fail(peek(), std::string(what) + " needs an array name");
    return next().text;
  }

  StmtPtr parseDim() {
    const Token& kw = next();
    StmtPtr first;
    std::vector<StmtPtr> more;
    for (;;) {
      auto s = make(StmtKind::Dim, peek());
      s->text = arrayName("DIM");
      expectSymbol("(");
      s->args = parseArguments();
      if (s->args.empty() || s->args.size() > 5) fail(toks[p - 1], "an array has 1 to 5 dimensions");
      if (prog.functionIndex.count(s->text)) fail(kw, s->text + " is a function");
      auto [it, fresh] = prog.arrays.try_emplace(s->text, ArrayInfo{s->pos, int(s->args.size())});
      if (!fresh && it->second.dimensions != int(s->args.size())) it->second.dimensions = -1;
      if (!first)
        first = std::move(s);
      else
        first->body.push_back(std::move(s));
      if (!atSymbol(",")) break;
      next();
    }
    return first;
  }

  StmtPtr parseUndim() {
    auto s = make(StmtKind::Undim, next());
    s->text = arrayName("UNDIM");
    if (atSymbol("(")) {
      next();
      expectSymbol(")");
    }
    return s;
  }

  StmtPtr parseArrayFile(const KeywordForm& form) {
    auto s = make(StmtKind::ArrayFile, peek());
    consumeForm(form);
    s->text = form.keyword;
    s->value = parseExpression();
    expectSymbol(",");
    s->name = arrayName(form.keyword.c_str());
    s->pos = toks[p - 1].pos;
    if (atSymbol("(")) {
      next();
      expectSymbol(")");
    }
    return s;
  }

  StmtPtr parsePrint() {
    const Token& kw = next();
    auto s = make(StmtKind::Print, kw);
    s->newline = kw.text == "PRINT";
    while (!atStatementEnd()) {
      s->args.push_back(parseExpression());
      if (atSymbol(";")) {
        next();
        if (atStatementEnd()) s->newline = false;
        continue;
      }
      break;
    }
    return s;
  }

  StmtPtr parseCommand(const KeywordForm& form) {
    auto s = make(StmtKind::Command, peek());
    consumeForm(form);
    if (const Token* extra = unknownLongerKeyword(form)) {
      std::string written = joinWords(form.words, *extra);
      std::string like = commands.closestStatement(written);
      fail(s->pos, written + " is not a command; " +
                       (like.empty() || like == form.keyword ? commands.describeForms(form.keyword)
                                                             : "did you mean " + like + "?"));
    }
    s->text = form.keyword;
    if (!atStatementEnd()) {
      do s->args.push_back(parseExpression());
      while (atSymbol(",") && (next(), true));
    }
    return s;
  }

  // A word after a keyword's words that reads as one more word of the keyword: a value
  // follows it without a comma, which no operand allows ("SET MATRIX TEXTURE 1, 2"), or it
  // ends a statement whose keyword takes no single operand ("SYNC ONN").
  const Token* unknownLongerKeyword(const KeywordForm& form) const {
    if (!at(Tok::Word) || reserved(peek().text) || matchForm(true)) return nullptr;
    const Token& after = peek(1);
    bool valueFollows = after.kind == Tok::Integer || after.kind == Tok::Float || after.kind == Tok::String ||
                        (after.kind == Tok::Word && !reserved(after.text));
    bool ends = after.kind == Tok::LineEnd || after.kind == Tok::Colon || after.kind == Tok::End ||
                (singleLineIf && after.kind == Tok::Word && after.text == "ELSE");
    bool takesOne = false;
    for (const CommandEntry* e : commands.entriesOf(form.keyword)) takesOne |= operandLetters(*e).size() == 1;
    return valueFollows || (ends && !takesOne) ? &peek() : nullptr;
  }

  static std::string joinWords(const std::vector<std::string>& words, const Token& extra) {
    std::string s;
    for (const std::string& w : words) s += w + " ";
    return s + extra.text;
  }

  // A statement that starts like no keyword ("MAKE OBJEKT CUBE 1, 10"), when its first
  // word begins some keyword or several words lead it: reported with the keyword it most
  // resembles. Its words end before one followed by an operator or comma, or by the end of
  // the statement when that word is in no keyword: such a word is an operand.
  void unknownKeyword(const Token& first) {
    std::string written = first.text;
    size_t n = 1;
    for (; at(Tok::Word, n); ++n) {
      const Token& after = peek(n + 1);
      bool ends = after.kind == Tok::LineEnd || after.kind == Tok::Colon || after.kind == Tok::End;
      if (after.kind == Tok::Symbol || (ends && !commands.isKeywordWord(peek(n).text))) break;
      written += " " + peek(n).text;
    }
    std::string like = commands.closestStatement(written);
    // One word that begins no keyword is named only when it is one letter off a keyword
    // ("PRNT"): short names of variables are close to short keywords.
    bool oneWord = n < 2 && commands.formsStartingWith(first.text, false).empty();
    if (oneWord && (written.size() < 4 || editDistance(written, like) != 1)) return;
    fail(first, written + " is not a command" + (like.empty() ? "" : "; did you mean " + like + "?"));
  }

  StmtPtr parseAssignmentOrCall() {
    const Token& first = peek();
    if (!atSymbol("=", 1) && !atSymbol("(", 1) && !compoundAt(1)) unknownKeyword(first);
    ExprPtr target = parsePrimary();
    if (atSymbol("=")) {
      next();
      auto s = make(StmtKind::Assign, first);
      s->target = std::move(target);
      s->value = parseExpression();
      return s;
    }
    if (compoundAt(0) && (target->kind == ExprKind::Variable || target->kind == ExprKind::NameCall)) {
      const Token& op = next();
      next();  // '='
      auto s = make(StmtKind::Assign, first);
      s->value = binary(op, op.text, cloneExpr(*target), parseExpression());
      s->target = std::move(target);
      return s;
    }
    if (target->kind == ExprKind::NameCall) {
      auto s = make(StmtKind::Call, first);
      s->value = std::move(target);
      return s;
    }
    fail(first, "unknown command " + first.text + " (or a missing '=' after it)");
  }

  // `+=`, `-=`, `*=` or `/=` at token k: the operator and "=" written together.
  bool compoundAt(size_t k) const {
    if (!atSymbol("+", k) && !atSymbol("-", k) && !atSymbol("*", k) && !atSymbol("/", k)) return false;
    const SourcePos& a = peek(k).pos;
    const SourcePos& b = peek(k + 1).pos;
    return atSymbol("=", k + 1) && a.file == b.file && a.line == b.line && a.column + 1 == b.column;
  }

  // ---- expressions, loosest first: OR, AND, NOT, comparisons, + -, * / MOD, ^, unary - ----

  ExprPtr node(ExprKind kind, SourcePos pos, std::string text = {}) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->pos = pos;
    e->text = std::move(text);
    return e;
  }
  ExprPtr binary(const Token& op, std::string text, ExprPtr l, ExprPtr r) {
    auto e = node(ExprKind::Binary, op.pos, std::move(text));
    e->args.push_back(std::move(l));
    e->args.push_back(std::move(r));
    return e;
  }

  ExprPtr parseExpression() { return parseOr(); }

  ExprPtr parseOr() {
    ExprPtr e = parseAnd();
    while (atWord("OR") || atSymbol("|")) {
      const Token& op = next();
      e = binary(op, "OR", std::move(e), parseAnd());
    }
    return e;
  }

  ExprPtr parseAnd() {
    ExprPtr e = parseNot();
    while (atWord("AND") || atSymbol("&")) {
      const Token& op = next();
      e = binary(op, "AND", std::move(e), parseNot());
    }
    return e;
  }

  ExprPtr parseNot() {
    if (atWord("NOT")) {
      Nesting level(*this, peek());
      const Token& op = next();
      auto e = node(ExprKind::Not, op.pos);
      e->args.push_back(parseNot());
      return e;
    }
    return parseComparison();
  }

  ExprPtr parseComparison() {
    ExprPtr e = parseSum();
    for (;;) {
      static const char* const Ops[] = {"=", "==", "<>", "!=", "<", ">", "<=", ">="};
      const char* found = nullptr;
      for (const char* op : Ops)
        if (atSymbol(op)) found = op;
      if (!found) return e;
      const Token& op = next();
      std::string text = op.text == "!=" ? "<>" : op.text;
      e = binary(op, text, std::move(e), parseSum());
    }
  }

  ExprPtr parseSum() {
    ExprPtr e = parseProduct();
    while (atSymbol("+") || atSymbol("-")) {
      const Token& op = next();
      e = binary(op, op.text, std::move(e), parseProduct());
    }
    return e;
  }

  ExprPtr parseProduct() {
    ExprPtr e = parsePower();
    while (atSymbol("*") || atSymbol("/") || atWord("MOD")) {
      const Token& op = next();
      e = binary(op, op.text, std::move(e), parsePower());
    }
    return e;
  }

  ExprPtr parsePower() {
    ExprPtr e = parseUnary();
    while (atSymbol("^")) {
      const Token& op = next();
      e = binary(op, "^", std::move(e), parseUnary());
    }
    return e;
  }

  // Expressions nest through parseUnary (parentheses, arguments, minus signs) and parseNot;
  // a bound on their depth keeps a hostile source from exhausting the stack.
  static constexpr int MaxNesting = 256;
  struct Nesting {
    Parser& parser;
    Nesting(Parser& p, const Token& at) : parser(p) {
      if (parser.nesting == MaxNesting) parser.fail(at, "expression nested too deeply (at most 256 levels)");
      ++parser.nesting;
    }
    ~Nesting() { --parser.nesting; }
  };

  // Unary minus binds tightest: -2^2 is (-2)^2.
  ExprPtr parseUnary() {
    Nesting level(*this, peek());
    if (atSymbol("-")) {
      const Token& op = next();
      if (at(Tok::Integer) && peek().integer == 2147483648LL) {  // the one constant only a minus makes valid
        auto e = node(ExprKind::Integer, op.pos);
        e->ival = -2147483648LL;
        next();
        return e;
      }
      auto e = node(ExprKind::Negate, op.pos);
      e->args.push_back(parseUnary());
      return e;
    }
    if (atSymbol("+")) {
      next();
      return parseUnary();
    }
    return parsePrimary();
  }

  std::vector<ExprPtr> parseArguments() {  // after "(", through ")"
    std::vector<ExprPtr> args;
    if (!atSymbol(")")) {
      do args.push_back(parseExpression());
      while (atSymbol(",") && (next(), true));
    }
    expectSymbol(")");
    return args;
  }

  ExprPtr parsePrimary() {
    const Token& t = peek();
    switch (t.kind) {
      case Tok::Integer: {
        next();
        if (t.integer > 2147483647) fail(t, "integer constant too large");
        auto e = node(ExprKind::Integer, t.pos);
        e->ival = t.integer;
        return e;
      }
      case Tok::Float: {
        next();
        auto e = node(ExprKind::Float, t.pos);
        e->fval = t.real;
        return e;
      }
      case Tok::String: {
        next();
        return node(ExprKind::String, t.pos, t.text);
      }
      case Tok::Symbol:
        if (t.text == "(") {
          next();
          ExprPtr e = parseExpression();
          expectSymbol(")");
          return e;
        }
        break;
      case Tok::Word:
        return parseWordOperand();
      default:
        break;
    }
    fail(t, "expected a value but found " + describe(t));
  }

  ExprPtr parseWordOperand() {
    const Token& t = peek();
    if (const KeywordForm* f = matchForm(true)) {
      consumeForm(*f);
      auto e = node(ExprKind::Builtin, t.pos, f->keyword);
      if (atSymbol("(")) {
        next();
        e->args = parseArguments();
      }
      return e;
    }
    if (reserved(t.text)) fail(t, "'" + t.text + "' cannot be used here");
    next();
    if (atSymbol("(")) {
      next();
      auto e = node(ExprKind::NameCall, t.pos, t.text);
      e->args = parseArguments();
      return e;
    }
    return node(ExprKind::Variable, t.pos, t.text);
  }
};

}  // namespace

std::vector<Token> tokenize(SourceSet& sources, int file, const CommandIndex& commands) {
  std::vector<Token> out;
  std::vector<std::string> stack{absolutePath(sources.file(file).path)};
  tokenizeInto(sources, file, commands, out, stack);
  Token end;
  end.kind = Tok::End;
  end.pos = out.empty() ? SourcePos{file, 1, 1} : out.back().pos;
  out.push_back(end);
  return out;
}

Program parse(SourceSet& sources, const CommandIndex& commands, std::vector<Token> tokens) {
  Program program;
  Parser(sources, commands, std::move(tokens), program).run();
  return program;
}

}  // namespace zt::compiler
