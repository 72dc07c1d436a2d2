// The speed benchmark: its report lines, and its node counts as a signature
// of the search: the same in every run, and their total as the README states.
#include <cstdio>
#include <sstream>

#include "search_fixture.h"

namespace {

using test::SearchTest;

struct Report {
  std::vector<unsigned long long> nodes;
  std::vector<std::string> otherLines;
};

Report parse(const std::string &text) {
  Report report;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    int position = 0;
    long long ms = 0;
    unsigned long long nodes = 0;
    char tail = 0;
    if (std::sscanf(line.c_str(), "Position %d ->  Time: %lldms, Nodes: %llu%c", &position, &ms, &nodes, &tail) == 3 &&
        position == int(report.nodes.size()) + 1)
      report.nodes.push_back(nodes);
    else
      report.otherLines.push_back(line);
  }
  return report;
}

TEST_F(SearchTest, SpeedIndexReportsFourPositionsAndRepeatsItsNodeCounts) {
  shell.engineFlags = FLAG_XBOARD | FLAG_POST;
  testing::internal::CaptureStdout();
  speedIndex();
  const Report first = parse(testing::internal::GetCapturedStdout());
  ASSERT_EQ(first.nodes.size(), 4u);
  // No thinking output: after the four positions, an empty line, the two
  // speeds, an empty line and the index.
  ASSERT_EQ(first.otherLines.size(), 4u);
  EXPECT_EQ(first.otherLines[0], "");
  EXPECT_EQ(first.otherLines[1].rfind("Avg KNPS on P4 1.7GHz is 416.558  ,  Avg KNPS for this machine is ", 0), 0u)
      << first.otherLines[1];
  EXPECT_EQ(first.otherLines[2], "");
  EXPECT_EQ(first.otherLines[3].rfind("*** Speed Index is ", 0), 0u) << first.otherLines[3];
  EXPECT_EQ(shell.engineFlags, FLAG_XBOARD | FLAG_POST);
  // The search's signature: a change meant only to make it faster keeps it.
  EXPECT_EQ(first.nodes[0] + first.nodes[1] + first.nodes[2] + first.nodes[3], 19403381u);

  testing::internal::CaptureStdout();
  speedIndex();
  EXPECT_EQ(parse(testing::internal::GetCapturedStdout()).nodes, first.nodes);
}

}  // namespace
