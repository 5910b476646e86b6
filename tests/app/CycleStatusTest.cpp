// What the cycle's state says while a pass waits for the server.
#include "app/CycleStatus.h"

#include <gtest/gtest.h>

namespace zun {
namespace {

// A pass shows only once it has waited: a quick one leaves the state as it was, so the panel does
// not flicker at every reading; a waiting one is amber with its seconds, whatever else is watched.
TEST(CycleStatusTest, APassShowsOnlyOnceItWaits) {
  CycleFacts facts;
  facts.autoChecked = facts.writesOutputs = facts.gridShown = true;
  facts.now = 1000000;
  const CycleStatus idle = DescribeCycle(facts);
  facts.uploading = true;
  facts.uploadingSince = facts.now - 1;
  EXPECT_EQ(DescribeCycle(facts), idle);
  facts.uploadingSince = facts.now - 15;
  const CycleStatus waiting = DescribeCycle(facts);
  EXPECT_EQ(waiting.level, CycleLevel::Paused);
  EXPECT_EQ(waiting.text, "自動化: アップロード中 15秒");
  // A pause of the cycle itself says more than the pass does.
  facts.fileMissing = true;
  EXPECT_EQ(DescribeCycle(facts).text, "自動化 一時停止: ZunTextファイルがありません");
}

}  // namespace
}  // namespace zun
