// A fresh headless machine with an application on it, for one test.
#pragma once

#include <gtest/gtest.h>

#include "platform/backend/headless/headless.h"
#include "platform/system/machine.h"
#include "toolkit/application.h"

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = &platform::headless::Install(StartTime());
    app.reset(new TApplication());
  }
  void TearDown() override {
    app.reset();
    platform::UninstallBackend();
  }
  virtual std::uint32_t StartTime() const { return 0; }

  platform::headless::HeadlessBackend* machine = nullptr;
  TOwnedPtr<TApplication> app;
};
