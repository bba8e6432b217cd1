#pragma once
// One QApplication for a whole widget test program, on the platform that ctest sets
// (offscreen). It ends after the last test, before the program's static objects.

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace zevrin::test {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[13] = "display_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const qt_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace zevrin::test
