// The parsed program: statements and expressions with their source positions, the
// user functions, the DATA items in program order, the labels and the arrays.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "compiler/source.h"

namespace zt::compiler {

enum class ExprKind : uint8_t {
  Integer,   // ival
  Float,     // fval
  String,    // text
  Variable,  // text = name with its type mark
  NameCall,  // text(args): an array element or a user function call, told apart later
  Builtin,   // text = the table keyword ("MID$["), args
  Binary,    // text = operator in capitals ("+", "<>", "==", "AND", "MOD"), args = left, right
  Negate,    // args = operand
  Not,       // args = operand
};

struct Expr {
  ExprKind kind;
  SourcePos pos;
  int64_t ival = 0;
  float fval = 0.0f;
  std::string text;
  std::vector<std::unique_ptr<Expr>> args;

  Expr() = default;
  Expr(const Expr&) = delete;
  Expr& operator=(const Expr&) = delete;
  // A chain leaning left (a sum of thousands of terms) is freed in a loop: each first
  // operand is detached before its parent goes. The other operands nest only as deep as
  // the parser allows.
  ~Expr() {
    std::unique_ptr<Expr> first = args.empty() ? nullptr : std::move(args[0]);
    while (first && !first->args.empty()) first = std::move(first->args[0]);
  }
};
using ExprPtr = std::unique_ptr<Expr>;

enum class StmtKind : uint8_t {
  Assign,        // target = value (target: Variable or NameCall)
  Command,       // text = keyword, args
  Print,         // args; newline = whether the line ends
  If,            // value = condition, body, elseBody
  While,         // value, body
  Repeat,        // body, value
  Do,            // body
  For,           // target, value = start, limit, step (may be null), body
  Exit,          // leaves the innermost loop
  Goto,          // text = label
  Gosub,         // text = label
  Label,         // text
  Read,          // args = targets
  Restore,       // text = label or empty
  Dim,           // text = array, args = upper bounds
  Undim,         // text = array
  ArrayFile,     // text = "LOAD ARRAY" or "SAVE ARRAY", value = file name, target = array name
  Call,          // value = a NameCall used as a statement
  ExitFunction,  // value = result or null
  Return,
  Select,        // value = selector, body = its Case statements in order
  Case,          // args = values (none for CASE DEFAULT), body
};

struct Stmt {
  StmtKind kind;
  SourcePos pos;
  std::string text;
  std::string name;  // For: loop variable checked at NEXT; ArrayFile: array
  ExprPtr target, value, limit, step;
  std::vector<ExprPtr> args;
  std::vector<std::unique_ptr<Stmt>> body, elseBody;
  std::vector<std::unique_ptr<Stmt>> elseIfs;  // If: its ELSEIF branches (If statements) in order
  bool newline = true;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct Parameter {
  std::string name;
  SourcePos pos;
};

struct Function {
  std::string name;  // with its type mark, if any
  SourcePos pos;
  std::vector<Parameter> params;
  Block body;
  ExprPtr result;  // the ENDFUNCTION value, or null
  SourcePos endPos;
  int number = 0;  // 1, 2, ... in definition order
};

struct DataItem {
  char type;  // 'l', 'f' or 's'
  int32_t integer = 0;
  float real = 0.0f;
  std::string text;
};

struct LabelInfo {
  SourcePos pos;
  int scope = -1;     // function index, -1 for the main program
  int dataIndex = 0;  // DATA items before the label
};

struct ArrayInfo {
  SourcePos pos;       // first DIM
  int dimensions = 0;  // the same in every DIM, or -1 when they differ
};

struct Program {
  Block main;
  std::vector<Function> functions;
  std::map<std::string, int> functionIndex;
  std::vector<DataItem> data;
  std::map<std::string, LabelInfo> labels;
  std::map<std::string, ArrayInfo> arrays;
  std::map<std::string, SourcePos> globals;  // GLOBAL names, at their first declaration
};

// A copy of an expression (the target of `x += e` is read and written).
inline std::unique_ptr<Expr> cloneExpr(const Expr& e) {
  auto c = std::make_unique<Expr>();
  c->kind = e.kind;
  c->pos = e.pos;
  c->ival = e.ival;
  c->fval = e.fval;
  c->text = e.text;
  for (const auto& a : e.args) c->args.push_back(cloneExpr(*a));
  return c;
}

// The value type of a name by its mark: 'S' for $, 'F' for #, else 'L'.
inline char typeOfName(const std::string& name) {
  if (!name.empty() && name.back() == '$') return 'S';
  if (!name.empty() && name.back() == '#') return 'F';
  return 'L';
}

}  // namespace zt::compiler
