// Index functions: the published file sizes, and the kppkp positions
// answered without the file.  (One index per legal placement is checked by
// the slow tests.)

#include "tablebase_fixture.h"

namespace {

// The sizes of the published files, white to move and black to move.
TEST(TablebaseIndex, PublishedSizes) {
  const std::tuple<const char *, uint32_t, uint32_t> published[] = {
      {"kpk", 81664, 84012},         {"kqk", 25629, 28644},           {"kpkp", 3863492, 3863492},
      {"kppk", 1806671, 1912372},    {"kbnk", 1550620, 1747284},      {"kqqk", 698739, 873642},
      {"kppkp", 84219361, 89391280}, {"krpkr", 286777440, 304369920}, {"kqqkq", 41944320, 46912050},
  };
  for (const auto &[name, white, black] : published) {
    const int id = tbtest::idOf(name);
    EXPECT_EQ(std::pair(tbExpectedSizes[id][0], tbExpectedSizes[id][1]), std::pair(white, black)) << name;
  }
}

// The seven black-to-move kppkp positions whose published values are wrong
// are answered without the file.
TEST(TablebaseIndex, KppkpPositionsAnsweredWithoutTheFile) {
  TbBuildTables();
  for (uint32_t index : {56802428u, 56811076u, 56849992u, 56858640u, 59592489u, 67775659u, 71071628u}) {
    EXPECT_EQ(std::pair(TbProbeTable(36, 1, index), TbProbeTable(36, 0, index)), std::pair(-32639, TB_NO_VALUE))
        << index;
  }
  EXPECT_EQ(TbProbeTable(36, 1, 56802429), TB_NO_VALUE);
}

}  // namespace
