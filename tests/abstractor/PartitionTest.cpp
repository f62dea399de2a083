// Partition tables: bucket rule, ascending order, front insertion, merging,
// and the in-step comparisons of a subcircuit and a circuit table.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

#include "Graph.h"
#include "Matcher.h"
#include "Partition.h"

using namespace abstractor;

namespace {

class Tables : public ::testing::Test {
 protected:
  void TearDown() override
  {
    s.ClearTable();
    g.ClearTable();
    partitionFree();
  }
  Node* node(uint32_t label)
  {
    nodes.emplace_back();
    nodes.back().nodeType = NET;
    nodes.back().nodeValue = label;
    return &nodes.back();
  }
  // "label:size" of every partition, bucket by bucket, "|" between buckets.
  static std::string layout(HashTable& table)
  {
    std::string text;
    for (int b = 0; b < table.HashSize(); ++b) {
      if (b > 0)
        text += "|";
      for (Partition* p = table.GetHashEntry(b).front; p != nullptr; p = p->next)
        text += (p == table.GetHashEntry(b).front ? "" : " ") + std::to_string(p->classLabel) + ":" +
                std::to_string(p->classSize);
    }
    return text;
  }
  std::deque<Node> nodes;
  HashTable s;
  HashTable g;
};

TEST_F(Tables, BucketIsTheRemainderOfTheSignedLabel)
{
  EXPECT_EQ(s.bucketOf(7), 2);
  EXPECT_EQ(s.bucketOf(0xFFFFFFFFu), 1);  // -1
  EXPECT_EQ(s.bucketOf(0x80000000u), 3);  // INT_MIN % 5 == -3
  EXPECT_EQ(s.bucketOf(0xFFFFFFF6u), 0);  // -10
}

TEST_F(Tables, PartitionsAscendInTheirBucketAndNodesGoToTheFront)
{
  Node* first = node(10);
  Node* second = node(10);
  for (uint32_t label : {15u, 5u, 20u, 7u, 2u, 12u})
    s.InsertNode(node(label));
  s.InsertNode(first);
  s.InsertNode(second);
  EXPECT_EQ(layout(s), "5:1 10:2 15:1 20:1||2:1 7:1 12:1||");
  Partition* tens = s.findPartition(10);
  ASSERT_NE(tens, nullptr);
  EXPECT_EQ(tens->top, second);
  EXPECT_EQ(s.FindKeyNode(10), second);
  EXPECT_EQ(s.GetNumNodes(), 8);
  EXPECT_EQ(s.NumPartitions(), 7);
}

TEST_F(Tables, LongListsKeepTheirOrderUnderInsertionAndRemoval)
{
  std::vector<uint32_t> labels;
  for (uint32_t i = 0; i < 400; ++i)
    labels.push_back((i * 7919u) % 1000u * 5u);  // all in bucket 0, shuffled
  std::vector<Node*> made;
  for (uint32_t label : labels) {
    made.push_back(node(label));
    s.InsertNode(made.back());
  }
  for (size_t i = 0; i < made.size(); i += 3)
    RemoveNode(made[i]);
  std::vector<uint32_t> seen;
  for (Partition* p = s.GetHashEntry(0).front; p != nullptr; p = p->next)
    seen.push_back(p->classLabel);
  ASSERT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
  EXPECT_EQ(static_cast<int>(seen.size()), s.GetHashEntry(0).size);
  for (size_t i = 0; i < made.size(); ++i) {
    Partition* p = s.findPartition(made[i]->nodeValue);
    if (i % 3 == 0)
      EXPECT_EQ(made[i]->header, nullptr);
    else
      EXPECT_EQ(p, made[i]->header);
  }
  // Removing the last node of a partition deletes it; a node in no
  // partition is left alone.
  for (size_t i = 0; i < made.size(); ++i)
    RemoveNode(made[i]);
  EXPECT_EQ(s.NumPartitions(), 0);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(made[0]->header, nullptr);
}

TEST_F(Tables, InsertTableMergesPartitionsOfOneLabel)
{
  s.InsertNode(node(5));
  Node* moved = node(5);
  g.InsertNode(moved);
  g.InsertNode(node(9));
  s.InsertTable(g);
  EXPECT_TRUE(g.IsEmpty());
  EXPECT_EQ(layout(s), "5:2||||9:1");
  EXPECT_EQ(s.findPartition(5)->top, moved);
  EXPECT_EQ(s.GetNumNodes(), 3);
}

TEST_F(Tables, RemoveDiffNodesDropsCircuitClassesTheSubcircuitLacks)
{
  for (uint32_t label : {5u, 15u, 7u})
    s.InsertNode(node(label));
  for (uint32_t label : {0u, 5u, 10u, 15u, 15u, 25u, 2u, 7u, 12u})
    g.InsertNode(node(label));
  s.RemoveDiffNodes(g);
  EXPECT_EQ(layout(g), "5:1 15:2||7:1||");
  EXPECT_EQ(g.GetNumNodes(), 4);
  EXPECT_EQ(s.TestEquivClasses(g), 1);
}

TEST_F(Tables, EquivalentClassesNeedEqualLabelsAndNoLargerSubcircuitClass)
{
  s.InsertNode(node(5));
  g.InsertNode(node(5));
  g.InsertNode(node(10));  // the circuit may have further partitions
  EXPECT_EQ(s.TestEquivClasses(g), 1);
  s.InsertNode(node(5));
  EXPECT_EQ(s.TestEquivClasses(g), 0);  // 2 > 1
  g.InsertNode(node(5));
  s.InsertNode(node(20));
  EXPECT_EQ(s.TestEquivClasses(g), 0);  // 20 against 10
  g.ClearTable();
  g.InsertNode(node(5));
  g.InsertNode(node(5));
  EXPECT_EQ(s.TestEquivClasses(g), 0);  // the subcircuit's list outlasts
}

TEST_F(Tables, SafetyFollowsEqualSizes)
{
  s.InsertNode(node(5));
  s.InsertNode(node(7));
  g.InsertNode(node(5));
  g.InsertNode(node(7));
  g.InsertNode(node(7));
  g.InsertNode(node(17));
  s.SetSafety(g);
  EXPECT_EQ(s.findPartition(5)->safety, 1);
  EXPECT_EQ(g.findPartition(5)->safety, 1);
  EXPECT_EQ(s.findPartition(7)->safety, 0);
  EXPECT_EQ(g.findPartition(7)->safety, 0);
  EXPECT_EQ(g.findPartition(17)->safety, 0);  // no partner
}

TEST_F(Tables, RandomRelabelGivesPairsOneFreshLabel)
{
  srand(1);
  s.InsertNode(node(5));
  g.InsertNode(node(5));
  g.InsertNode(node(5));
  Node* a = s.findPartition(5)->top;
  s.RandomRelabel(g);
  uint32_t label = a->nodeValue;
  EXPECT_NE(label, 5u);
  for (Node* n = g.GetHashEntry(0).front->top; n != nullptr; n = n->next)
    EXPECT_EQ(n->nodeValue, label);
  HashTable target;
  target.InsertTable(s);
  EXPECT_EQ(target.findPartition(label)->top, a);
  target.ClearTable();
}

TEST_F(Tables, CandidatesAreTheSmallestClassWithAFreeNode)
{
  Node* used = node(10);
  used->status = USED;
  g.InsertNode(used);
  g.InsertNode(node(5));
  g.InsertNode(node(5));
  Node* free7 = node(7);
  g.InsertNode(free7);
  std::vector<Node*> vector;
  int count = 0;
  ASSERT_EQ(g.FindCandidateVector(vector, count), 1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(vector, std::vector<Node*>{free7});
  free7->status = MATCHED;
  ASSERT_EQ(g.FindCandidateVector(vector, count), 1);
  EXPECT_EQ(count, 2);
  for (Node* n : vector)
    n->status = MATCHED;
  EXPECT_EQ(g.FindCandidateVector(vector, count), 0);
}

}  // namespace
