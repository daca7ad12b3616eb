// One QApplication for all window tests, on the offscreen platform unless
// the caller chose another.
#include "main_window.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        application_ = std::make_unique<QApplication>(argc_, argv_);
        zd::ui::setApplicationMetadata();
    }
    void TearDown() override { application_.reset(); }

  private:
    int argc_ = 1;
    char name_[9] = "ui_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

// Registered before gtest's main runs the tests; gtest owns it from then on.
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
