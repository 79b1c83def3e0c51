#pragma once
// Registers the sample server for one test and takes it away again.

#include "activex/testing/test_host.h"
#include "sample_control.h"

#include <gtest/gtest.h>

class SampleTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(activex::testing::registerLibrary(SAMPLE_CONTROL_PATH), S_OK); }
    void TearDown() override { activex::testing::registerLibrary(SAMPLE_CONTROL_PATH, true); }
};
