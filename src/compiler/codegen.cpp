#include "compiler/codegen.h"

#include <algorithm>
#include <set>

#include "command_ids.h"
#include "core/value.h"

namespace zt::compiler {

namespace {

struct GenError {
  SourcePos pos;
  std::string message;
};

const char* typeName(char t) {
  switch (t) {
    case 'L':
      return "an integer";
    case 'F':
      return "a float";
    case 'S':
      return "a string";
    default:
      return "no value";
  }
}

int typeSlot(char t) { return t == 'L' ? 0 : t == 'F' ? 1 : 2; }
bool isTemporary(int32_t cell) { return cell >= 0 && cell < IntVars; }

// The table keyword of an operator as the parser writes it.
std::string operatorKeyword(const std::string& op) {
  if (op == "=") return "==[";
  if (op == "<>") return "![";
  if (op == "AND") return "&[";
  if (op == "OR") return "|[";
  return op + "[";
}

bool isComparison(const std::string& op) {
  return op == "=" || op == "==" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=";
}

constexpr int MaxFunctions = 9999;  // the function number word must stay below 10000
constexpr int MaxPlainInteger = 9999;

class Generator {
 public:
  Generator(SourceSet& sources, const CommandIndex& commands, const Program& program, ImageBuilder& image)
      : sources(sources), commands(commands), prog(program), img(image), code(image.code()) {}

  void run() {
    if (prog.functions.size() > size_t(MaxFunctions)) sources.error(prog.functions.back().pos, "too many functions");
    inferReturnTypes();
    for (size_t i = 0; i < prog.functions.size(); ++i) entryLabels.push_back(newLabel());
    for (const auto& [name, info] : prog.labels) namedLabels[name] = newLabel();
    writeData();

    scopes.resize(prog.functions.size() + 1);
    enterScope(-1);
    block(prog.main);
    emit(CmdEnd);
    for (size_t i = 0; i < prog.functions.size(); ++i) function(int(i));
    resolveLabels();
  }

 private:
  SourceSet& sources;
  const CommandIndex& commands;
  const Program& prog;
  ImageBuilder& img;
  std::vector<int32_t>& code;

  // ---- errors ----

  [[noreturn]] void fail(SourcePos pos, std::string message) { throw GenError{pos, std::move(message)}; }
  std::set<std::string> reportedLimits;
  int32_t checked(int32_t cell, SourcePos pos, const std::string& what) {
    if (cell >= 0) return cell;
    if (reportedLimits.insert(what).second) sources.error(pos, "too many " + what);
    throw GenError{pos, {}};  // reported once above
  }

  // ---- labels ----

  std::vector<int64_t> labelAt;  // code index of each label, -1 until placed
  std::vector<std::pair<size_t, int>> fixups;
  std::vector<int> entryLabels;
  std::map<std::string, int> namedLabels;

  int newLabel() {
    labelAt.push_back(-1);
    return int(labelAt.size() - 1);
  }
  void place(int label) { labelAt[size_t(label)] = int64_t(code.size()); }
  void emit(int32_t word) { code.push_back(word); }
  void emitCell(int32_t cell) { emit(cellWord(cell)); }
  void emitTarget(int label) {
    fixups.emplace_back(code.size(), label);
    emit(CodeWordBase);
  }
  void resolveLabels() {
    for (auto [at, label] : fixups) code[at] = codeWord(int32_t(labelAt[size_t(label)]));
  }

  // ---- scopes and variables ----

  struct Scope {
    int function = -1;
    int32_t owner = 0;
    std::map<std::string, int32_t> variables;
    std::vector<int32_t> spills[3];  // hidden variables holding values across calls
    size_t spillsInUse[3] = {0, 0, 0};
    std::vector<int> loopExits;
  };
  std::vector<Scope> scopes;
  Scope* scope = nullptr;
  std::map<std::string, int32_t> arrayCells, globalCells;

  void enterScope(int function) {
    scope = &scopes[size_t(function + 1)];
    scope->function = function;
    scope->owner = function < 0 ? 0 : prog.functions[size_t(function)].number;
  }

  // A name of the scope, else a GLOBAL name, else a new variable of the scope. A
  // function's parameters are made first (localVariable), so they hide a GLOBAL name.
  int32_t variable(const std::string& name, SourcePos pos) {
    auto it = scope->variables.find(name);
    if (it != scope->variables.end()) return it->second;
    if (prog.globals.count(name)) return sharedCell(globalCells, name, pos);
    return localVariable(name, pos);
  }

  int32_t localVariable(const std::string& name, SourcePos pos) {
    char t = typeOfName(name);
    int32_t cell = checked(img.variable(t, scope->owner), pos, std::string(typeName(t) + 3) + " variables");
    scope->variables.emplace(name, cell);
    return cell;
  }

  int32_t arrayCell(const std::string& name, SourcePos pos) { return sharedCell(arrayCells, name, pos); }

  // Arrays and GLOBAL variables belong to no function: no call saves or restores them.
  int32_t sharedCell(std::map<std::string, int32_t>& cells, const std::string& name, SourcePos pos) {
    auto it = cells.find(name);
    if (it != cells.end()) return it->second;
    char t = typeOfName(name);
    int32_t cell = checked(img.variable(t, UnsavedOwner), pos, std::string(typeName(t) + 3) + " variables");
    cells.emplace(name, cell);
    return cell;
  }

  int32_t hiddenVariable(char t, SourcePos pos) {
    return checked(img.variable(t, scope->owner), pos, std::string(typeName(t) + 3) + " variables");
  }

  int32_t spillVariable(char t, SourcePos pos) {
    int k = typeSlot(t);
    if (scope->spillsInUse[k] == scope->spills[k].size()) scope->spills[k].push_back(hiddenVariable(t, pos));
    return scope->spills[k][scope->spillsInUse[k]++];
  }

  // ---- constants ----

  int32_t intConstant(int32_t v, SourcePos pos) { return checked(img.integerConstant(v), pos, "integer constants"); }
  int32_t floatConstant(float v, SourcePos pos) { return checked(img.floatConstant(v), pos, "float constants"); }
  int32_t stringConstant(const std::string& v, SourcePos pos) {
    return checked(img.stringConstant(v), pos, "string constants");
  }

  // ---- values: cells held while an expression is evaluated ----

  struct Value {
    int32_t cell;
    char type;
    bool alive;
  };
  std::vector<Value> values;
  std::vector<int32_t> freeTemps[3];
  int32_t tempsUsed[3] = {0, 0, 0};

  // Called before each statement: nothing is held across statements.
  void resetCells() {
    values.clear();
    for (int k = 0; k < 3; ++k) {
      freeTemps[k].clear();
      tempsUsed[k] = 0;
      scope->spillsInUse[k] = 0;
    }
  }

  int32_t temporary(char t, SourcePos pos) {
    int k = typeSlot(t);
    if (!freeTemps[k].empty()) {
      int32_t cell = freeTemps[k].back();
      freeTemps[k].pop_back();
      return cell;
    }
    if (tempsUsed[k] >= MaxTemporaries) fail(pos, "expression too complex: out of temporary cells");
    return k * MaxTemporaries + tempsUsed[k]++;
  }

  int hold(int32_t cell, char type) {
    values.push_back({cell, type, true});
    return int(values.size() - 1);
  }
  int32_t cellOf(int v) const { return values[size_t(v)].cell; }
  char typeOf(int v) const { return values[size_t(v)].type; }

  void release(int v) {
    Value& val = values[size_t(v)];
    if (!val.alive) return;
    val.alive = false;
    if (isTemporary(val.cell)) freeTemps[typeSlot(val.type)].push_back(val.cell);
    // Spill variables are reused from the next statement on.
  }

  // Copies every held temporary (except `keep`) into hidden variables of the current
  // function, before a call that may overwrite temporaries.
  void spillAcrossCall(const std::vector<int>& keep, SourcePos pos) {
    for (size_t i = 0; i < values.size(); ++i) {
      Value& val = values[i];
      if (!val.alive || !isTemporary(val.cell)) continue;
      if (std::find(keep.begin(), keep.end(), int(i)) != keep.end()) continue;
      int32_t hidden = spillVariable(val.type, pos);
      emit(commands.idOf("=", std::string(2, val.type)));
      emitCell(hidden);
      emitCell(val.cell);
      freeTemps[typeSlot(val.type)].push_back(val.cell);
      val.cell = hidden;
    }
  }

  // The value converted to `to` (integer to float, float to integer truncating).
  int convert(int v, char to, SourcePos pos, const std::string& what) {
    char from = typeOf(v);
    if (from == to) return v;
    if (from == 'S' || to == 'S') fail(pos, what + " must be " + typeName(to) + ", not " + typeName(from));
    double constant;
    if (img.constantValue(cellOf(v), constant)) {
      release(v);
      if (to == 'F') return hold(floatConstant(float(constant), pos), 'F');
      return hold(intConstant(truncToInt(constant), pos), 'L');
    }
    int32_t t = temporary(to, pos);
    emit(commands.idOf("=", std::string{to, from}));
    emitCell(t);
    emitCell(cellOf(v));
    release(v);
    return hold(t, to);
  }

  // ---- result types of functions ----

  std::vector<char> returnTypes;  // 0 when a function returns nothing
  std::vector<int> inferring;     // 0 not yet, 1 in progress, 2 done

  // The result type of a function: that of its ENDFUNCTION value, or when that depends
  // on a call of the function itself, that of its first EXITFUNCTION value that does not.
  // '?' while the function is being worked out.
  char returnType(int f) {
    if (inferring[size_t(f)] == 1) return '?';
    if (inferring[size_t(f)] == 2) return returnTypes[size_t(f)];
    // Reaching a function whose typing waits for an inner one: a cycle of results longer
    // than the typing depth.
    if (waiting[size_t(f)]) return giveUp(f, " through so many calls; return the value through a variable");
    inferring[size_t(f)] = 1;
    typing.push_back(f);
    struct Leave {  // when typing is cut short (TypingTooDeep), the function is not typed yet
      Generator& g;
      int f;
      ~Leave() {
        g.typing.pop_back();
        if (g.inferring[size_t(f)] == 1) g.inferring[size_t(f)] = 0;
      }
    } leave{*this, f};
    const Function& fn = prog.functions[size_t(f)];
    char t = 0;
    if (fn.result) {
      t = staticType(*fn.result);
      std::vector<const Expr*> exits;
      exitValues(fn.body, exits);
      for (size_t i = 0; t == '?' && i < exits.size(); ++i) t = staticType(*exits[i]);
      if (t == '?') {
        sources.error(fn.result->pos, "cannot tell the result type of " + fn.name +
                                          " from its own calls; return the value through a variable");
        t = 'L';
      }
    }
    char marked = fn.name.back() == '$' ? 'S' : fn.name.back() == '#' ? 'F' : 0;
    if (marked && t && t != marked)
      sources.error(fn.result->pos,
                    "function " + fn.name + " must return " + typeName(marked) + ", not " + typeName(t));
    returnTypes[size_t(f)] = marked && t ? marked : t;
    inferring[size_t(f)] = 2;
    return returnTypes[size_t(f)];
  }

  static void exitValues(const Block& b, std::vector<const Expr*>& out) {
    for (const StmtPtr& s : b) {
      if (s->kind == StmtKind::ExitFunction && s->value) out.push_back(s->value.get());
      exitValues(s->body, out);
      exitValues(s->elseIfs, out);
      exitValues(s->elseBody, out);
    }
  }

  // Typing follows calls into the results of other functions by recursion. Past this depth
  // the innermost function being typed is typed first, on its own, and the outer ones are
  // started again: a chain of thousands of functions returning each other's results is
  // typed in segments instead of exhausting the stack.
  static constexpr int MaxTypingDepth = 4096;
  struct TypingTooDeep {
    int function;
  };
  int typingDepth = 0;
  std::vector<int> typing;    // the functions being typed, innermost last
  std::vector<char> waiting;  // typing stopped short for an inner function, to be started again

  void inferReturnTypes() {
    returnTypes.assign(prog.functions.size(), 0);
    inferring.assign(prog.functions.size(), 0);
    waiting.assign(prog.functions.size(), 0);
    for (size_t f = 0; f < prog.functions.size(); ++f) {
      std::vector<int> pending{int(f)};
      while (!pending.empty()) {
        int g = pending.back();
        waiting[size_t(g)] = 0;
        try {
          returnType(g);
          pending.pop_back();
        } catch (const TypingTooDeep& deep) {
          if (deep.function != g) {
            waiting[size_t(g)] = 1;
            pending.push_back(deep.function);
          } else {  // deep within one result, which the parser's bounds rule out
            giveUp(g, ": its value is nested too deeply");
            pending.pop_back();
          }
        }
      }
    }
  }

  char giveUp(int f, const std::string& why) {
    const Function& fn = prog.functions[size_t(f)];
    sources.error(fn.result->pos, "cannot tell the result type of " + fn.name + why);
    returnTypes[size_t(f)] = 'L';
    inferring[size_t(f)] = 2;
    return 'L';
  }

  // The type an expression has, without generating code.
  char staticType(const Expr& e) {
    if (typingDepth == MaxTypingDepth) throw TypingTooDeep{typing.back()};
    ++typingDepth;
    struct Leave {
      int& depth;
      ~Leave() { --depth; }
    } leave{typingDepth};
    switch (e.kind) {
      case ExprKind::Integer:
        return 'L';
      case ExprKind::Float:
        return 'F';
      case ExprKind::String:
        return 'S';
      case ExprKind::Variable:
        return typeOfName(e.text);
      case ExprKind::Not:
        return 'L';
      case ExprKind::Negate:
        return staticType(*e.args[0]);
      case ExprKind::NameCall: {
        auto f = prog.functionIndex.find(e.text);
        if (f != prog.functionIndex.end()) return returnType(f->second);
        return typeOfName(e.text);
      }
      case ExprKind::Builtin: {
        std::string types;
        for (const ExprPtr& a : e.args) types += staticType(*a);
        return resultType(e.text, types);
      }
      case ExprKind::Binary: {  // a chain leaning left in a loop, as binary() does
        std::vector<const Expr*> chain{&e};
        while (chain.back()->args[0]->kind == ExprKind::Binary) chain.push_back(chain.back()->args[0].get());
        char t = staticType(*chain.back()->args[0]);
        for (size_t i = chain.size(); i-- > 0;)
          t = resultType(operatorKeyword(chain[i]->text), std::string{t, staticType(*chain[i]->args[1])});
        return t;
      }
    }
    return 'L';
  }

  char resultType(const std::string& keyword, const std::string& types) const {
    if (types.find('?') != std::string::npos) return '?';
    Overload o = commands.resolve(keyword, types, true);
    return o.entry ? o.result : 'L';
  }

  // ---- expressions ----

  // Generates `e`; returns a held value. `want` prefers a result type where entries
  // differ only in it; `dest`, when not -1, is a variable that may receive an
  // operator's result directly.
  int expr(const Expr& e, char want = 0, int32_t dest = -1) {
    switch (e.kind) {
      case ExprKind::Integer:
        return hold(intConstant(int32_t(e.ival), e.pos), 'L');
      case ExprKind::Float:
        return hold(floatConstant(e.fval, e.pos), 'F');
      case ExprKind::String:
        return hold(stringConstant(e.text, e.pos), 'S');
      case ExprKind::Variable:
        return hold(variable(e.text, e.pos), typeOfName(e.text));
      case ExprKind::NameCall:
        return nameCall(e, false);
      case ExprKind::Builtin:
        return builtin(e, want);
      case ExprKind::Binary:
        return binary(e, dest);
      case ExprKind::Negate:
        return negate(e, dest);
      case ExprKind::Not:
        return logicalNot(e, dest);
    }
    fail(e.pos, "unknown expression");
  }

  int32_t resultCell(char type, int32_t dest, SourcePos pos) {
    if (dest >= 0 && cellTypeOf(dest) == type) return dest;
    return temporary(type, pos);
  }
  static char cellTypeOf(int32_t cell) {
    int32_t k = cell < IntVars ? cell / MaxTemporaries : (cell - IntVars) / MaxVariables;
    return k == 0 ? 'L' : k == 1 ? 'F' : 'S';
  }

  // Emits a function entry: id, result, operands.
  int applyFunction(const Overload& o, std::vector<int>& args, int32_t dest, SourcePos pos) {
    for (size_t i = 0; i < args.size(); ++i)
      args[i] = convert(args[i], o.operandTypes[i], pos, "operand " + std::to_string(i + 1));
    int32_t r = resultCell(o.result, dest, pos);
    emit(o.entry->id);
    emitCell(r);
    for (int a : args) emitCell(cellOf(a));
    for (int a : args) release(a);
    return hold(r, o.result);
  }

  // A chain of operators leaning left (a sum of thousands of terms) is generated in a
  // loop; only right operands recurse, and the parser bounds their depth.
  int binary(const Expr& e, int32_t dest) {
    std::vector<const Expr*> chain{&e};
    while (chain.back()->args[0]->kind == ExprKind::Binary) chain.push_back(chain.back()->args[0].get());
    int v = expr(*chain.back()->args[0]);
    for (size_t i = chain.size(); i-- > 0;) v = applyBinary(*chain[i], v, i == 0 ? dest : -1);
    return v;
  }

  int applyBinary(const Expr& e, int left, int32_t dest) {
    std::vector<int> args{left, expr(*e.args[1])};
    std::string types{typeOf(args[0]), typeOf(args[1])};
    if (e.text == "MOD") return modulo(e, args, dest);
    std::string keyword = operatorKeyword(e.text);
    Overload o = commands.resolve(keyword, types, true);
    if (!o.entry) {
      if (types == "SS" && isComparison(e.text)) fail(e.pos, "strings can only be compared with = and <>");
      if (types == "SS") fail(e.pos, "'" + e.text + "' does not apply to strings");
      fail(e.pos, "'" + e.text + "' cannot combine " + typeName(types[0]) + " and " + typeName(types[1]));
    }
    return applyFunction(o, args, dest, e.pos);
  }

  // a MOD b is a - (a / b) * b: the remainder of the division truncated toward zero, with
  // the sign of a. MOD 0 gives a, with the soft error of the division.
  int modulo(const Expr& e, std::vector<int>& args, int32_t dest) {
    std::string types{typeOf(args[0]), typeOf(args[1])};
    if (types != "LL")
      fail(e.pos, "MOD works on integers, not " + std::string(typeName(types[0])) + " and " + typeName(types[1]) +
                      " (INT() turns a float into an integer)");
    int32_t q = temporary('L', e.pos);
    emit(CmdDivideLLL);
    emitCell(q);
    emitCell(cellOf(args[0]));
    emitCell(cellOf(args[1]));
    emit(CmdMultiplyLLL);
    emitCell(q);
    emitCell(q);
    emitCell(cellOf(args[1]));
    std::vector<int> difference{args[0], hold(q, 'L')};
    release(args[1]);
    return applyFunction(commands.resolve("-[", "LL", true), difference, dest, e.pos);
  }

  int negate(const Expr& e, int32_t dest) {
    const Expr& x = *e.args[0];
    if (x.kind == ExprKind::Integer) return hold(intConstant(wrapSub(0, int32_t(x.ival)), e.pos), 'L');
    if (x.kind == ExprKind::Float) return hold(floatConstant(-x.fval, e.pos), 'F');
    int v = expr(x);
    char t = typeOf(v);
    if (t == 'S') fail(e.pos, "a string cannot be negated");
    std::vector<int> args{hold(t == 'L' ? intConstant(0, e.pos) : floatConstant(0.0f, e.pos), t), v};
    Overload o = commands.resolve("-[", std::string(2, t), true);
    return applyFunction(o, args, dest, e.pos);
  }

  int logicalNot(const Expr& e, int32_t dest) {
    int v = expr(*e.args[0]);
    char t = typeOf(v);
    if (t == 'S') fail(e.pos, "NOT needs a number, not a string");
    std::vector<int> args{v, hold(t == 'L' ? intConstant(0, e.pos) : floatConstant(0.0f, e.pos), t)};
    Overload o = commands.resolve("==[", std::string(2, t), true);
    return applyFunction(o, args, dest, e.pos);
  }

  int builtin(const Expr& e, char want) {
    std::vector<int> args;
    std::string types;
    for (const ExprPtr& a : e.args) {
      args.push_back(expr(*a));
      types += typeOf(args.back());
    }
    Overload o = commands.resolve(e.text, types, true, want);
    if (!o.entry) fail(e.pos, commands.describeForms(e.text) + ", not " + typeList(types));
    return applyFunction(o, args, -1, e.pos);
  }

  int nameCall(const Expr& e, bool statement) {
    auto f = prog.functionIndex.find(e.text);
    if (f != prog.functionIndex.end()) return userCall(e, f->second, statement);
    if (prog.arrays.count(e.text)) {
      if (statement) fail(e.pos, "an array element is not a statement");
      return elementRead(e);
    }
    fail(e.pos, e.text + " is neither an array (no DIM for it) nor a function");
  }

  std::vector<int> subscripts(const Expr& e) {
    const ArrayInfo& info = prog.arrays.at(e.text);
    if (e.args.empty() || e.args.size() > 5) fail(e.pos, "an array element has 1 to 5 subscripts");
    if (info.dimensions > 0 && size_t(info.dimensions) != e.args.size())
      fail(e.pos, e.text + " has " + std::to_string(info.dimensions) + " dimension" + (info.dimensions > 1 ? "s" : "") +
                      ", not " + std::to_string(e.args.size()));
    std::vector<int> subs;
    for (const ExprPtr& a : e.args) subs.push_back(convert(expr(*a), 'L', a->pos, "a subscript"));
    return subs;
  }

  int elementRead(const Expr& e) {
    std::vector<int> subs = subscripts(e);
    char t = typeOfName(e.text);
    int32_t array = arrayCell(e.text, e.pos);
    int32_t r = temporary(t, e.pos);  // a temporary, so the element's place is remembered
    emit(commands.idOf("@[", std::string(2, t) + std::string(subs.size(), 'L')));
    emitCell(r);
    emitCell(array);
    for (int s : subs) emitCell(cellOf(s));
    for (int s : subs) release(s);
    return hold(r, t);
  }

  int userCall(const Expr& e, int f, bool statement) {
    const Function& fn = prog.functions[size_t(f)];
    if (e.args.size() != fn.params.size())
      fail(e.pos, fn.name + " takes " + std::to_string(fn.params.size()) + " argument" +
                      (fn.params.size() == 1 ? "" : "s") + ", not " + std::to_string(e.args.size()));
    char result = returnType(f);
    if (!result && !statement) fail(e.pos, "function " + fn.name + " returns no value");
    std::vector<int32_t> params;
    for (const Parameter& p : fn.params) params.push_back(calleeParameter(f, p));
    std::vector<int> args;
    for (size_t j = 0; j < e.args.size(); ++j) {
      char pt = typeOfName(fn.params[j].name);
      int v = convert(expr(*e.args[j], pt), pt, e.args[j]->pos, "argument " + std::to_string(j + 1) + " of " + fn.name);
      // Arguments are copied into the parameters in order: one that is an earlier
      // parameter of the callee itself (a recursive call) must be read first.
      if (std::find(params.begin(), params.begin() + long(j), cellOf(v)) != params.begin() + long(j)) {
        int32_t t = temporary(pt, e.pos);
        emit(commands.idOf("=", std::string(2, pt)));
        emitCell(t);
        emitCell(cellOf(v));
        release(v);
        v = hold(t, pt);
      }
      args.push_back(v);
    }
    spillAcrossCall(args, e.pos);
    char rt = result ? result : 'L';
    int32_t r = temporary(rt, e.pos);
    emit(CmdFunction);
    emitTarget(entryLabels[size_t(f)]);
    emitCell(r);
    emitCell(intConstant(int32_t(args.size()), e.pos));
    for (int a : args) emitCell(cellOf(a));
    for (int a : args) release(a);
    return hold(r, rt);
  }

  // The parameter cells of every function, made before any body is generated.
  std::map<std::pair<int, std::string>, int32_t> parameterCells;
  int32_t calleeParameter(int f, const Parameter& p) {
    auto key = std::make_pair(f, p.name);
    auto it = parameterCells.find(key);
    if (it != parameterCells.end()) return it->second;
    struct Restore {
      Scope*& scope;
      Scope* saved;
      ~Restore() { scope = saved; }
    } restore{scope, scope};
    enterScope(f);
    int32_t cell = localVariable(p.name, p.pos);
    parameterCells.emplace(key, cell);
    return cell;
  }

  // A condition as an integer cell: a float is true when it is not 0.0.
  int condition(const Expr& e) {
    int v = expr(e, 'L');
    if (typeOf(v) == 'S') fail(e.pos, "a condition must be a number, not a string");
    if (typeOf(v) == 'F') {
      std::vector<int> args{v, hold(floatConstant(0.0f, e.pos), 'F')};
      v = applyFunction(commands.resolve("![", "FF", true), args, -1, e.pos);
    }
    return v;
  }

  // ---- statements ----

  // Runs one unit of generation (a statement, a function's head or end); its error is
  // reported and generation goes on with the next.
  template <class Generate>
  void unit(Generate&& generate) {
    try {
      resetCells();
      generate();
    } catch (const GenError& e) {
      if (!e.message.empty()) sources.error(e.pos, e.message);
    }
  }

  // Each statement's code is marked with its place; what a compound statement emits after
  // its body (the loop's jump back, NEXT) goes back to the statement's own place.
  void block(const Block& b) {
    for (const StmtPtr& s : b) {
      if (sources.tooMany()) return;
      markPlace(s->pos);
      unit([&] { statement(*s); });
      if (!s->body.empty() || !s->elseBody.empty()) markPlace(s->pos);
    }
  }
  void markPlace(SourcePos pos) { img.markPlace(pos, scope->owner); }

  void statement(const Stmt& s) {
    switch (s.kind) {
      case StmtKind::Assign:
        return assign(s);
      case StmtKind::Command:
        return command(s);
      case StmtKind::Print:
        return print(s);
      case StmtKind::If:
        return ifStatement(s);
      case StmtKind::Select:
        return selectStatement(s);
      case StmtKind::Case:  // generated by its SELECT
        return;
      case StmtKind::While:
        return whileLoop(s);
      case StmtKind::Repeat:
        return repeatLoop(s);
      case StmtKind::Do:
        return doLoop(s);
      case StmtKind::For:
        return forLoop(s);
      case StmtKind::Exit:
        if (scope->loopExits.empty()) fail(s.pos, "EXIT outside a loop");
        emit(CmdExit);
        emitTarget(scope->loopExits.back());
        return;
      case StmtKind::Goto:
      case StmtKind::Gosub:
        return jump(s);
      case StmtKind::Label:
        return place(namedLabels.at(s.text));
      case StmtKind::Read:
        return read(s);
      case StmtKind::Restore:
        return restore(s);
      case StmtKind::Dim:
        dim(s);
        for (const StmtPtr& more : s.body) {
          resetCells();
          dim(*more);
        }
        return;
      case StmtKind::Undim:
        if (!prog.arrays.count(s.text)) fail(s.pos, s.text + " is not an array (no DIM for it)");
        emit(commands.idOf("UNDIM", std::string(1, typeOfName(s.text))));
        emitCell(arrayCell(s.text, s.pos));
        return;
      case StmtKind::ArrayFile:
        return arrayFile(s);
      case StmtKind::Call:
        release(nameCall(*s.value, true));
        return;
      case StmtKind::ExitFunction:
        return exitFunction(s);
      case StmtKind::Return:
        emit(CmdReturn);
        return;
    }
  }

  void assign(const Stmt& s) {
    const Expr& target = *s.target;
    if (target.kind == ExprKind::NameCall) return assignElement(s);
    int32_t var = variable(target.text, target.pos);
    char vt = typeOfName(target.text);
    int v = expr(*s.value, vt, var);
    if (cellOf(v) == var) return;
    char st = typeOf(v);
    const CommandEntry* e = commands.find("=", std::string{vt, st});
    if (!e)
      fail(s.value->pos,
           "cannot assign " + std::string(typeName(st)) + " to " + target.text + ", which holds " + typeName(vt));
    emit(e->id);
    emitCell(var);
    emitCell(cellOf(v));
  }

  void assignElement(const Stmt& s) {
    const Expr& target = *s.target;
    if (prog.functionIndex.count(target.text)) fail(target.pos, "cannot assign to function " + target.text);
    if (!prog.arrays.count(target.text)) fail(target.pos, target.text + " is not an array (no DIM for it)");
    std::vector<int> subs = subscripts(target);
    char t = typeOfName(target.text);
    int v = expr(*s.value, t);
    char vt = typeOf(v);
    if (t == 'S' && vt != 'S')
      fail(s.value->pos, "cannot store " + std::string(typeName(vt)) + " in string array " + target.text);
    if (t != 'S' && vt == 'S') fail(s.value->pos, "cannot store a string in " + target.text);
    if (t == 'L') v = convert(v, 'L', s.value->pos, "the value");
    storeElement(target, subs, v);
  }

  void storeElement(const Expr& target, const std::vector<int>& subs, int v) {
    std::string sig = std::string(1, typeOfName(target.text)) + std::string(subs.size(), 'L') + typeOf(v);
    emit(commands.idOf("@=", sig));
    emitCell(arrayCell(target.text, target.pos));
    for (int x : subs) emitCell(cellOf(x));
    emitCell(cellOf(v));
  }

  bool isElement(const Expr& e) const {
    return e.kind == ExprKind::NameCall && prog.arrays.count(e.text) && !prog.functionIndex.count(e.text);
  }

  // A variable or array element that a command writes (INC, DEC, READ).
  int writable(const Expr& target, const std::string& what) {
    if (target.kind == ExprKind::Variable) return hold(variable(target.text, target.pos), typeOfName(target.text));
    if (isElement(target)) return elementRead(target);
    fail(target.pos, what + " needs a variable or an array element");
  }

  // INPUT stores into its operand cell itself, so an element is read into a temporary
  // that is then stored in the element.
  void inputElement(const Expr& target, SourcePos pos) {
    std::vector<int> subs = subscripts(target);
    char t = typeOfName(target.text);
    int v = hold(temporary(t, pos), t);
    emit(commands.idOf("INPUT", std::string(1, t)));
    emitCell(cellOf(v));
    storeElement(target, subs, v);
  }

  // INPUT "prompt", target: the prompt is printed once, then INPUT waits on its own.
  void inputWithPrompt(const Stmt& s) {
    int prompt = expr(*s.args[0]);
    if (typeOf(prompt) != 'S')
      fail(s.args[0]->pos, std::string("the prompt of INPUT must be a string, not ") + typeName(typeOf(prompt)));
    emit(CmdPrintcS);
    emitCell(cellOf(prompt));
    release(prompt);
    const Expr& target = *s.args[1];
    if (isElement(target)) return inputElement(target, s.pos);
    if (target.kind != ExprKind::Variable) fail(target.pos, "INPUT needs a variable or an array element");
    emit(commands.idOf("INPUT", std::string(1, typeOfName(target.text))));
    emitCell(variable(target.text, target.pos));
  }

  void command(const Stmt& s) {
    if (s.text == "INPUT" && s.args.size() == 1 && isElement(*s.args[0])) return inputElement(*s.args[0], s.pos);
    if (s.text == "INPUT" && s.args.size() == 2) return inputWithPrompt(s);
    std::vector<int> args;
    std::string types;
    bool steps = s.text == "INC" || s.text == "DEC";
    for (size_t i = 0; i < s.args.size(); ++i) {
      args.push_back(steps && i == 0 ? writable(*s.args[i], s.text) : expr(*s.args[i]));
      types += typeOf(args.back());
    }
    Overload o = commands.resolve(s.text, types, false);
    if (!o.entry) fail(s.pos, commands.describeForms(s.text) + ", not " + typeList(types));
    for (size_t i = 0; i < args.size(); ++i)
      args[i] =
          convert(args[i], o.operandTypes[i], s.args[i]->pos, "operand " + std::to_string(i + 1) + " of " + s.text);
    emit(o.entry->id);
    for (int a : args) emitCell(cellOf(a));
  }

  void print(const Stmt& s) {
    if (s.args.empty()) {
      if (s.newline) emit(CmdPrint0);
      return;
    }
    for (size_t i = 0; i < s.args.size(); ++i) {
      resetCells();
      int v = expr(*s.args[i]);
      const char* keyword = i + 1 == s.args.size() && s.newline ? "PRINT" : "PRINTC";
      emit(commands.idOf(keyword, std::string(1, typeOf(v))));
      emitCell(cellOf(v));
    }
  }

  // IF c1 ... ELSEIF c2 ... ELSE ... ENDIF: each branch tests its condition and jumps to
  // the next test when it fails; a branch that ran jumps to the end.
  void ifStatement(const Stmt& s) {
    int endLabel = newLabel();
    bool jumpsToEnd = false;
    for (size_t i = 0; i <= s.elseIfs.size(); ++i) {
      const Stmt& branch = i == 0 ? s : *s.elseIfs[i - 1];
      bool last = i == s.elseIfs.size() && s.elseBody.empty();
      resetCells();
      int c = condition(*branch.value);
      int nextLabel = newLabel();
      emit(CmdIf);
      emitCell(cellOf(c));
      emitTarget(nextLabel);
      block(branch.body);
      if (!last) {
        emit(CmdElse);
        emitTarget(endLabel);
        jumpsToEnd = true;
      }
      place(nextLabel);
    }
    block(s.elseBody);
    if (jumpsToEnd) place(endLabel);
  }

  // SELECT v: the value is kept in a hidden variable (a constant stays one), and each CASE
  // tests v = a OR v = b ... and jumps to the next CASE when it fails; a CASE that ran
  // jumps past ENDSELECT. CASE DEFAULT, always last, runs when none matched.
  void selectStatement(const Stmt& s) {
    int v = expr(*s.value);
    char t = typeOf(v);
    int32_t selector = cellOf(v);
    double constant;
    if (!img.constantValue(selector, constant) && !(t == 'S' && selector >= StringConsts)) {
      selector = hiddenVariable(t, s.value->pos);
      emit(commands.idOf("=", std::string(2, t)));
      emitCell(selector);
      emitCell(cellOf(v));
    }
    int endLabel = newLabel();
    for (const StmtPtr& c : s.body) {
      if (c->args.empty()) {
        block(c->body);
        continue;
      }
      int nextLabel = newLabel();
      unit([&] {
        int matched = -1;
        for (const ExprPtr& value : c->args) {
          std::vector<int> pair{hold(selector, t), expr(*value)};
          if ((t == 'S') != (typeOf(pair[1]) == 'S'))
            fail(value->pos, std::string("CASE value must be ") + (t == 'S' ? "a string" : "a number") +
                                 " like the SELECT value, not " + typeName(typeOf(pair[1])));
          Overload eq = commands.resolve("==[", std::string{t, typeOf(pair[1])}, true);
          int test = applyFunction(eq, pair, -1, value->pos);
          if (matched < 0) {
            matched = test;
          } else {
            std::vector<int> either{matched, test};
            matched = applyFunction(commands.resolve("|[", "LL", true), either, -1, value->pos);
          }
        }
        emit(CmdIf);
        emitCell(cellOf(matched));
        emitTarget(nextLabel);
      });
      block(c->body);
      emit(CmdElse);
      emitTarget(endLabel);
      place(nextLabel);
    }
    place(endLabel);
  }

  void loopBody(const Block& body, int exitLabel) {
    scope->loopExits.push_back(exitLabel);
    block(body);
    scope->loopExits.pop_back();
  }

  void whileLoop(const Stmt& s) {
    int top = newLabel(), exit = newLabel();
    place(top);
    int c = condition(*s.value);
    emit(CmdWhile);
    emitCell(cellOf(c));
    emitTarget(exit);
    loopBody(s.body, exit);
    emit(CmdEndwhile);
    emitTarget(top);
    place(exit);
  }

  void repeatLoop(const Stmt& s) {
    int top = newLabel(), exit = newLabel();
    place(top);
    loopBody(s.body, exit);
    if (!s.value) return;  // no UNTIL: already reported
    resetCells();
    int c = condition(*s.value);
    emit(CmdUntil);
    emitCell(cellOf(c));
    emitTarget(top);
    place(exit);
  }

  void doLoop(const Stmt& s) {
    int top = newLabel(), exit = newLabel();
    place(top);
    loopBody(s.body, exit);
    emit(CmdLoop);
    emitTarget(top);
    place(exit);
  }

  // A loop bound: a constant stays one, anything else is evaluated once into a hidden
  // variable.
  int32_t loopBound(const Expr& e, const char* what) {
    int v = convert(expr(e, 'L'), 'L', e.pos, std::string("the ") + what + " of FOR");
    double constant;
    if (img.constantValue(cellOf(v), constant)) return cellOf(v);
    int32_t hidden = hiddenVariable('L', e.pos);
    emit(CmdAssignLL);
    emitCell(hidden);
    emitCell(cellOf(v));
    release(v);
    return hidden;
  }

  void forLoop(const Stmt& s) {
    if (typeOfName(s.name) != 'L') fail(s.target->pos, "the loop variable of FOR must be an integer variable");
    int32_t var = variable(s.name, s.target->pos);
    int start = convert(expr(*s.value, 'L'), 'L', s.value->pos, "the start of FOR");
    int32_t limit = loopBound(*s.limit, "limit");
    int32_t step = s.step ? loopBound(*s.step, "step") : intConstant(1, s.pos);
    // FOR adds the step before it tests, so the variable starts one step early.
    double a, b;
    if (img.constantValue(cellOf(start), a) && img.constantValue(step, b)) {
      emit(CmdAssignLL);
      emitCell(var);
      emitCell(intConstant(wrapSub(int32_t(a), int32_t(b)), s.pos));
    } else {
      emit(CmdSubtractLLL);
      emitCell(var);
      emitCell(cellOf(start));
      emitCell(step);
    }
    int head = newLabel(), exit = newLabel();
    place(head);
    emit(CmdFor);
    emitCell(var);
    emitCell(limit);
    emitCell(step);
    emitTarget(exit);
    loopBody(s.body, exit);
    emit(CmdNext);
    emitCell(var);
    emitTarget(head);
    place(exit);
  }

  const LabelInfo& label(const std::string& name, SourcePos pos) {
    auto it = prog.labels.find(name);
    if (it == prog.labels.end()) fail(pos, "no label " + name);
    return it->second;
  }

  // GOSUB may call a subroutine of the main program from a function (its RETURN comes
  // back into the function); any other jump stays within its function.
  void jump(const Stmt& s) {
    const LabelInfo& l = label(s.text, s.pos);
    bool sharedSubroutine = s.kind == StmtKind::Gosub && l.scope < 0;
    if (l.scope != scope->function && !sharedSubroutine)
      fail(s.pos, "label " + s.text + " is in " +
                      (l.scope < 0 ? std::string("the main program") : "function " + prog.functions[size_t(l.scope)].name) +
                      (s.kind == StmtKind::Goto ? "; GOTO stays within its function"
                                                : "; GOSUB reaches labels of its function and of the main program"));
    emit(s.kind == StmtKind::Goto ? CmdGoto : CmdGosub);
    emitTarget(namedLabels.at(s.text));
  }

  void read(const Stmt& s) {
    for (const ExprPtr& target : s.args) {
      resetCells();
      int v = writable(*target, "READ");
      emit(commands.idOf("READ", std::string(1, typeOf(v))));
      emitCell(cellOf(v));
    }
  }

  void restore(const Stmt& s) {
    if (s.text.empty()) return emit(CmdRestore0);
    const LabelInfo& l = label(s.text, s.pos);
    if (l.dataIndex > MaxPlainInteger) fail(s.pos, "RESTORE cannot reach DATA item " + std::to_string(l.dataIndex));
    emit(CmdRestoreA);
    emit(plainWord(l.dataIndex));
  }

  void dim(const Stmt& s) {
    char t = typeOfName(s.text);
    int32_t array = arrayCell(s.text, s.pos);
    std::vector<int> bounds;
    for (const ExprPtr& a : s.args) bounds.push_back(convert(expr(*a, 'L'), 'L', a->pos, "an array bound"));
    emit(commands.idOf("DIM", std::string(1, t) + std::string(bounds.size(), 'L')));
    emitCell(array);
    for (int b : bounds) emitCell(cellOf(b));
  }

  // LOAD ARRAY and SAVE ARRAY name their array through a one-subscript element read
  // placed just before them.
  void arrayFile(const Stmt& s) {
    if (!prog.arrays.count(s.name) || prog.functionIndex.count(s.name))
      fail(s.pos, s.name + " is not an array (no DIM for it)");
    int file = expr(*s.value, 'S');
    if (typeOf(file) != 'S') fail(s.value->pos, s.text + " needs a file name, not " + typeName(typeOf(file)));
    char t = typeOfName(s.name);
    int32_t r = temporary(t, s.pos);
    emit(commands.idOf("@[", std::string(2, t) + "L"));
    emitCell(r);
    emitCell(arrayCell(s.name, s.pos));
    emitCell(intConstant(0, s.pos));
    emit(commands.idOf(s.text, std::string("S") + t));
    emitCell(cellOf(file));
    emitCell(r);
  }

  void exitFunction(const Stmt& s) {
    int f = scope->function;
    if (f < 0) fail(s.pos, "EXITFUNCTION outside a function");
    char rt = returnTypes[size_t(f)];
    if (!s.value) {
      emit(CmdExitfunction0);
      return;
    }
    if (!rt) fail(s.value->pos, "function " + prog.functions[size_t(f)].name + " returns no value at ENDFUNCTION");
    int v = convert(expr(*s.value, rt), rt, s.value->pos, "the result of " + prog.functions[size_t(f)].name);
    emit(commands.idOf("EXITFUNCTION", std::string(1, rt)));
    emitCell(cellOf(v));
  }

  // ---- functions ----

  void function(int f) {
    const Function& fn = prog.functions[size_t(f)];
    enterScope(f);
    markPlace(fn.pos);
    unit([&] {
      std::vector<int32_t> params;
      for (const Parameter& p : fn.params) params.push_back(calleeParameter(f, p));
      place(entryLabels[size_t(f)]);
      for (int32_t p : params) emitCell(p);
      emit(fn.number);
    });
    block(fn.body);
    markPlace(fn.endPos);
    unit([&] {
      char rt = returnTypes[size_t(f)];
      if (!fn.result || !rt) {
        emit(CmdEndfunction0);
      } else {
        int v = convert(expr(*fn.result, rt), rt, fn.result->pos, "the result of " + fn.name);
        emit(commands.idOf("ENDFUNCTION", std::string(1, rt)));
        emitCell(cellOf(v));
      }
    });
  }

  // ---- DATA ----

  void writeData() {
    for (const DataItem& d : prog.data) {
      if (d.type == 'l')
        img.dataInteger(d.integer);
      else if (d.type == 'f')
        img.dataFloat(d.real);
      else
        img.dataString(d.text);
    }
  }
};

}  // namespace

void generate(SourceSet& sources, const CommandIndex& commands, const Program& program, ImageBuilder& image) {
  Generator(sources, commands, program, image).run();
}

}  // namespace zt::compiler
