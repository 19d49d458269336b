// Tables of small programs, each expected to stop with one run-time error (the first
// check that fails) or, for 0, to run on past its statement. Shared by the families'
// error tests; header-only because it checks with GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <utility>

#include "compiler/compiler.h"
#include "core/errors.h"
#include "support/image_builder.h"

namespace zt::test {

using ErrorCase = std::pair<std::string, int32_t>;

inline void expectErrorCases(const std::string& folder, std::span<const ErrorCase> cases) {
  for (const auto& [statement, number] : cases) {
    compiler::CompileResult program = compiler::compileText("prog.ztb", statement + "\nSYNC\nPRINT \"not stopped\"\n");
    ASSERT_TRUE(program.ok) << statement << program.messages;
    RunResult r = runImage(folder, program.image);
    if (number == 0) {
      EXPECT_EQ(r.exitCode, 0) << statement << r.out;
      EXPECT_NE(r.out.find("not stopped"), std::string::npos) << statement;
      continue;
    }
    EXPECT_EQ(r.exitCode, 1) << statement;
    EXPECT_EQ(r.out, "Runtime Error : ERROR " + std::to_string(errorMessageSlot(number)) + ". \n") << statement;
  }
}

}  // namespace zt::test
