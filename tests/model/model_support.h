// model_support.h - a database in a fresh temporary directory for the model's tests.
#ifndef VELK_TESTS_MODEL_MODEL_SUPPORT_H
#define VELK_TESTS_MODEL_MODEL_SUPPORT_H

#include "model/blob.h"
#include "model/tables.h"
#include "tests/btree/files_support.h"

#include <gtest/gtest.h>

#include <string>

namespace velk {

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(openDatabase(dictPath().c_str())); }
    void TearDown() override { closeDatabase(); }

    std::string dictPath() const { return dir_.path() + "/datadict"; }
    std::string file(const std::string &name) const { return dir_.file(name); }

    velk::apptest::TempDir dir_;
};

} // namespace velk

#endif
