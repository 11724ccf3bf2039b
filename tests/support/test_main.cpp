// The test runner's entry: refuses to run where it could change a real machine.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/host_guard.h"

int main(int argc, char** argv) {
  if (!MayChangeMachineState()) {
    std::fprintf(stderr, "These tests change machine-wide state and run only under Wine.\n");
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
