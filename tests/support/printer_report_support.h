// A virtual board with the printer on its serial port, a settings database
// and the interface texts, for the printed reports.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/snapshot.h"

namespace report_test {

class ReportBoard : public ::testing::Test {
  protected:
    void SetUp() override;

    // Paper completed since the last call, as text, one entry a line.
    std::vector<std::string> paperText();
    std::vector<sim::PaperLine> paper();

    // A settings row, replaced when the key is there.
    void setParam(const std::string& key, const std::string& value, const std::string& label = "",
                  const std::string& type = "1");
    void sql(const std::string& statement);
    void writeFile(const std::string& absolute, const std::string& content);
    // Stand-ins for the system tools, found first on the board's PATH.
    void script(const std::string& name, const std::string& body);
    void tool(const std::string& name, const std::string& output);  // prints `output`

    std::string root;
};

// Index of the first line equal to `text` at or after `from`, or -1.
int find(const std::vector<std::string>& lines, const std::string& text, int from = 0);
int count(const std::vector<std::string>& lines, const std::string& text);

}  // namespace report_test
