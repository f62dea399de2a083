// The generic list: cursor insertion, the remembered last node, removal,
// copies and misuse.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "Dlist.h"

namespace {

std::vector<int> items(const List<int>& list)
{
  std::vector<int> v;
  for (ListItr<int> i = list.first(); !i.isPastEnd(); i.advance())
    v.push_back(i.retrieve());
  return v;
}

TEST(List, InsertAfterCursorPrependAndAppendKeepTheirPlaces)
{
  List<int> list;
  EXPECT_TRUE(list.isEmpty());
  ListItr<int> at = list.insert(2, list.zeroth());
  list.insert(3, at);   // after the last: 3 becomes the last
  list.append(4);
  list.prepend(1);
  list.insert(9, list.find(2));
  EXPECT_EQ(items(list), (std::vector<int>{1, 2, 9, 3, 4}));
  EXPECT_EQ(list.size(), 5u);
  EXPECT_EQ(list.last().retrieve(), 4);
}

TEST(List, RemovingKeepsTheEndRightForLaterAppends)
{
  struct Case {
    std::vector<int> start;
    int removed;
    std::vector<int> expected;  // after removing and appending 7
  };
  const std::vector<Case> cases = {
      {{1, 2, 3}, 3, {1, 2, 7}},     // the last
      {{1, 2, 3}, 1, {2, 3, 7}},     // the first
      {{5}, 5, {7}},                 // the only one
      {{1, 2, 1}, 1, {2, 1, 7}},     // only the first equal one
      {{1, 2}, 8, {1, 2, 7}},        // absent
  };
  for (const Case& c : cases) {
    List<int> list;
    for (int x : c.start)
      list.append(x);
    list.remove(c.removed);
    list.append(7);
    EXPECT_EQ(items(list), c.expected) << c.removed;
    EXPECT_EQ(list.size(), c.expected.size()) << c.removed;
  }
}

TEST(List, FindAndFindPrevious)
{
  List<int> list;
  for (int x : {4, 5, 6})
    list.append(x);
  EXPECT_EQ(list.find(5).retrieve(), 5);
  EXPECT_TRUE(list.find(8).isPastEnd());
  EXPECT_EQ(list.findPrevious(6).retrieve(), 5);
  EXPECT_EQ(list.findPrevious(4), list.zeroth());
  EXPECT_TRUE(list.findPrevious(8).isPastEnd());
}

TEST(List, CopiesAreIndependentAndEmptyingStartsAfresh)
{
  List<int> a;
  for (int x : {1, 2, 3})
    a.append(x);
  List<int> b(a);
  b.append(4);
  a.remove(2);
  EXPECT_EQ(items(a), (std::vector<int>{1, 3}));
  EXPECT_EQ(items(b), (std::vector<int>{1, 2, 3, 4}));
  b = b;
  EXPECT_EQ(items(b), (std::vector<int>{1, 2, 3, 4}));
  a = b;
  b.makeEmpty();
  EXPECT_TRUE(b.isEmpty());
  EXPECT_EQ(b.size(), 0u);
  b.append(8);
  EXPECT_EQ(items(b), (std::vector<int>{8}));
  EXPECT_EQ(items(a), (std::vector<int>{1, 2, 3, 4}));
}

TEST(List, MisuseRaisesBadIterator)
{
  List<int> list, other;
  list.append(1);
  const std::vector<std::function<void()>> misuses = {
      [&] { list.zeroth().retrieve(); },           // the header holds no element
      [&] { list.end().retrieve(); },              // past the end
      [&] { list.end().advance(); },
      [&] { ListItr<int>().retrieve(); },          // no list at all
      [&] { list.insert(2, list.end()); },
      [&] { list.insert(2, other.zeroth()); },     // a cursor of another list
      [&] { (void)*other.begin(); },
  };
  for (size_t i = 0; i < misuses.size(); ++i)
    EXPECT_THROW(misuses[i](), BadIterator) << i;
  EXPECT_EQ(items(list), (std::vector<int>{1}));
  EXPECT_TRUE(other.isEmpty());
}

}  // namespace
