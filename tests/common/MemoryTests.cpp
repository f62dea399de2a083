// The allocator: pooled size classes, intrusive free lists, statistics.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Dglobal.h"
#include "Dlayout.h"

namespace {

bool allZero(const void* p, size_t size)
{
  const unsigned char* bytes = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < size; ++i)
    if (bytes[i] != 0)
      return false;
  return true;
}

class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    GCresetGlobals();
    OwnMemory = 1;
    GCmemInit();  // fresh pools: the next block is taken in address order
  }
  void TearDown() override { GCresetGlobals(); }
};

// Pooled sizes come back last in first out, zero filled; other sizes come
// from the system, zero filled too.
TEST_F(PoolTest, FreedRecordComesBackAtSameAddressZeroFilled)
{
  for (long size : {8L, 20L, 24L, 40L, 44L, 100L}) {
    char* first = static_cast<char*>(GCmalloc(size));
    ASSERT_TRUE(allZero(first, size)) << size;
    memset(first, 0xab, size);
    if (size == 100) {
      GCfree(first, size);
      continue;
    }
    char* second = static_cast<char*>(GCmalloc(size));
    GCfree(first, size);
    GCfree(second, size);
    EXPECT_EQ(GCmalloc(size), second) << "size " << size;
    char* again = static_cast<char*>(GCmalloc(size));
    EXPECT_EQ(first, again) << "size " << size;
    EXPECT_TRUE(allZero(again, size)) << "size " << size;
    GCfree(again, size);
    GCfree(second, size);
  }
  GCfree(nullptr, 20);  // ignored
}

TEST_F(PoolTest, ConsecutiveRequestsComeFromOneBlockInOrder)
{
  std::vector<char*> records;
  for (int i = 0; i < 40; ++i)
    records.push_back(static_cast<char*>(GCmalloc(40)));
  for (int i = 1; i < 40; ++i)
    EXPECT_EQ(records[i] - records[i - 1], 40) << "record " << i;
  for (char* r : records)
    GCfree(r, 40);
}

TEST(Statistics, CountRequestsAndReleasesPerSize)
{
  GCresetGlobals();
  Statistic = 1;
  long before20 = size_account[20];
  long beforeLast = size_account[kStatisticSizes - 1];
  void* a = GCmalloc(20);
  void* big = GCmalloc(500);
  EXPECT_EQ(size_account[20], before20 + 1);
  EXPECT_EQ(size_account[kStatisticSizes - 1], beforeLast + 1);
  GCfree(a, 20);
  GCfree(big, 500);
  EXPECT_EQ(size_account[20], before20);
  EXPECT_EQ(size_account[kStatisticSizes - 1], beforeLast);
  GCresetGlobals();
}

TEST(Strings, LengthCopyCompare)
{
  EXPECT_EQ(GCstrlen(""), 1);
  EXPECT_EQ(GCstrlen(nullptr), 0);
  EXPECT_EQ(GCstrlen("vdd"), 4);
  char* copy = GCstrcpy("gnd");
  EXPECT_STREQ(copy, "gnd");
  EXPECT_EQ(GCstrcpy(nullptr), nullptr);
  EXPECT_EQ(GCstrcmp(copy, "gnd"), 0);
  EXPECT_LT(GCstrcmp("a", "b"), 0);
  GCfreeString(copy);
}

TEST(Strings, NullComparisonAbandonsTheAction)
{
  std::string err;
  common::captureOutput(nullptr, &err);
  common::ActionScope scope;
  EXPECT_THROW(GCstrcmp(nullptr, "x"), common::OperationAborted);
  common::captureOutput(nullptr, nullptr);
  EXPECT_EQ(err, "Fatal: Can't compare null strings.\n");
}

}  // namespace
