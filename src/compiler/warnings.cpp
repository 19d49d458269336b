#include "compiler/warnings.h"

#include <set>

namespace zt::compiler {

namespace {

class WarningFinder {
 public:
  WarningFinder(SourceSet& sources, const Program& program) : sources(sources), prog(program) {}

  void run() {
    scope = -1;
    block(prog.main);
    for (size_t f = 0; f < prog.functions.size(); ++f) {
      const Function& fn = prog.functions[f];
      scope = int(f);
      for (const Parameter& p : fn.params) {
        assigned.insert(key(p.name));
        if (prog.globals.count(p.name))
          sources.warn(p.pos, "parameter " + p.name + " of " + fn.name + " hides the GLOBAL " + p.name);
      }
      block(fn.body);
      if (fn.result) read(*fn.result);
    }
    for (const auto& [k, pos] : reads)
      if (!assigned.count(k)) sources.warn(pos, "variable " + k.second + " is read but never assigned (misspelt?)");
    for (const auto& [name, info] : prog.labels)
      if (!usedLabels.count(name)) sources.warn(info.pos, "label " + name + " is never used");
    for (size_t f = 0; f < prog.functions.size(); ++f)
      if (!usedFunctions.count(prog.functions[f].name))
        sources.warn(prog.functions[f].pos, "function " + prog.functions[f].name + " is never called");
  }

 private:
  SourceSet& sources;
  const Program& prog;
  int scope = -1;
  // A variable by its owner: -2 for GLOBAL names, -1 the main program, else the function.
  using Key = std::pair<int, std::string>;
  std::set<Key> assigned;
  std::map<Key, SourcePos> reads;  // the first read of each
  std::set<std::string> usedLabels, usedFunctions;

  bool isParameter(const std::string& name) const {
    if (scope < 0) return false;
    for (const Parameter& p : prog.functions[size_t(scope)].params)
      if (p.name == name) return true;
    return false;
  }
  Key key(const std::string& name) const {
    return {prog.globals.count(name) && !isParameter(name) ? -2 : scope, name};
  }

  void block(const Block& b) {
    for (const StmtPtr& s : b) statement(*s);
  }

  void assign(const Expr& target) {
    if (target.kind == ExprKind::Variable) return void(assigned.insert(key(target.text)));
    for (const ExprPtr& a : target.args) read(*a);  // subscripts
  }

  void statement(const Stmt& s) {
    switch (s.kind) {
      case StmtKind::Assign:
        assign(*s.target);
        read(*s.value);
        break;
      case StmtKind::Command: {
        // Commands that store into their variable operands.
        bool stores = s.text == "INC" || s.text == "DEC" || s.text == "INPUT" || s.text.rfind("READ ", 0) == 0;
        for (const ExprPtr& a : s.args) {
          if (stores && a->kind == ExprKind::Variable) assign(*a);
          read(*a);
        }
        break;
      }
      case StmtKind::If:
        condition(*s.value);
        for (const StmtPtr& branch : s.elseIfs) {
          condition(*branch->value);
          block(branch->body);
        }
        break;
      case StmtKind::While:
      case StmtKind::Repeat:
        if (s.value) condition(*s.value);
        break;
      case StmtKind::For:
        assign(*s.target);
        for (const Expr* e : {s.value.get(), s.limit.get(), s.step.get()})
          if (e) read(*e);
        break;
      case StmtKind::Goto:
      case StmtKind::Gosub:
      case StmtKind::Restore:
        usedLabels.insert(s.text);
        break;
      case StmtKind::Read:
        for (const ExprPtr& t : s.args) assign(*t);
        break;
      case StmtKind::Print:
      case StmtKind::Dim:
      case StmtKind::Select:
      case StmtKind::Case:
        for (const ExprPtr& a : s.args) read(*a);
        if (s.value) read(*s.value);
        break;
      case StmtKind::ArrayFile:
      case StmtKind::Call:
      case StmtKind::ExitFunction:
        if (s.value) read(*s.value);
        break;
      case StmtKind::Do:
      case StmtKind::Exit:
      case StmtKind::Label:
      case StmtKind::Undim:
      case StmtKind::Return:
        break;
    }
    block(s.body);
    block(s.elseBody);
  }

  // `==` among the comparisons a condition combines with AND, OR and NOT.
  void condition(const Expr& e) {
    std::vector<const Expr*> work{&e};
    while (!work.empty()) {
      const Expr* x = work.back();
      work.pop_back();
      if (x->kind == ExprKind::Binary && x->text == "==")
        sources.warn(x->pos, "'==' in a condition: the language compares with '='");
      if (x->kind == ExprKind::Not || (x->kind == ExprKind::Binary && (x->text == "AND" || x->text == "OR")))
        for (const ExprPtr& a : x->args) work.push_back(a.get());
    }
    read(e);
  }

  // Expressions are walked with a list, not by recursion: a sum of thousands of terms
  // nests as deep as it is long.
  void read(const Expr& e) {
    std::vector<const Expr*> work{&e};
    while (!work.empty()) {
      const Expr* x = work.back();
      work.pop_back();
      if (x->kind == ExprKind::Variable) reads.try_emplace(key(x->text), x->pos);
      if (x->kind == ExprKind::NameCall && prog.functionIndex.count(x->text)) usedFunctions.insert(x->text);
      for (const ExprPtr& a : x->args) work.push_back(a.get());
    }
  }
};

}  // namespace

void findWarnings(SourceSet& sources, const Program& program) { WarningFinder(sources, program).run(); }

}  // namespace zt::compiler
