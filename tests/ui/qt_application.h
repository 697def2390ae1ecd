#pragma once
// Every window test runs under one QApplication, created before the first
// test and destroyed after the last (QT_QPA_PLATFORM=offscreen comes from
// CTest).

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace testing_support {

class QtApplicationEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

}  // namespace testing_support
