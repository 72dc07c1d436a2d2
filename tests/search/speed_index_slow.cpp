// The speed benchmark: its report lines, and its node counts as a signature
// of the search that does not change from one run to the next.
#include <regex>

#include "search_fixture.h"

namespace {

using test::SearchTest;

std::vector<unsigned long long> nodeCounts(const std::string &report) {
  std::vector<unsigned long long> nodes;
  const std::regex line(R"(Position (\d) ->  Time: (\d+)ms, Nodes: (\d+)\n)");
  for (std::sregex_iterator it(report.begin(), report.end(), line), end; it != end; ++it)
    nodes.push_back(std::stoull((*it)[3]));
  return nodes;
}

TEST_F(SearchTest, SpeedIndexReportsFourPositionsAndRepeatsItsNodeCounts) {
  shell.engineFlags = FLAG_XBOARD | FLAG_POST;
  testing::internal::CaptureStdout();
  speedIndex();
  const std::string first = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(std::regex_search(
      first, std::regex(R"(\nAvg KNPS on P4 1\.7GHz is 416\.558  ,  Avg KNPS for this machine is \d+\.\d{3}\n)")))
      << first;
  EXPECT_TRUE(std::regex_search(first, std::regex(R"(\n\n\*\*\* Speed Index is \d+\.\d{3} \*\*\*\n$)"))) << first;
  // No thinking output, and the flags are given back.
  EXPECT_EQ(first.find("info"), std::string::npos);
  EXPECT_EQ(shell.engineFlags, FLAG_XBOARD | FLAG_POST);
  const std::vector<unsigned long long> nodes = nodeCounts(first);
  ASSERT_EQ(nodes.size(), 4u) << first;

  testing::internal::CaptureStdout();
  speedIndex();
  EXPECT_EQ(nodeCounts(testing::internal::GetCapturedStdout()), nodes);
}

}  // namespace
