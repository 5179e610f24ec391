// A virtual board with the printer on its serial port, a settings database
// and the interface texts "T0" to "T77", for the printed reports.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/snapshot.h"

namespace report_test {

class ReportBoard : public ::testing::Test {
  protected:
    void SetUp() override;

    // Paper completed since the last call, one entry a line.
    std::vector<sim::PaperLine> paper();

    void sql(const std::string& statements);
    // A settings row, replaced when the key is there.
    void setParam(const std::string& key, const std::string& value, const std::string& label = "",
                  const std::string& type = "1");
    void writeFile(const std::string& absolute, const std::string& content);
    // A stand-in for a system tool, found first on the board's PATH.
    void script(const std::string& name, const std::string& body);

    std::string root;
};

}  // namespace report_test
